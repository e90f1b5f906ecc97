# Cross build of the same sources as 64-bit Windows binaries. The shipped DLL and programs are the
# 32-bit ones; this build is what the tests run on a machine whose processor cannot execute 32-bit
# code at all, under the 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(WIDL_TARGET  --win64)
set(WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
