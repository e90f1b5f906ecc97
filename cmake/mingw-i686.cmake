# Cross build of the shipped 32-bit Windows binaries.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLE i686-w64-mingw32)
set(WIDL_TARGET  --win32)
set(WINE_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
