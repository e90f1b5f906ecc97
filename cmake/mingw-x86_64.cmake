# Cross build of the same sources as 64-bit Windows binaries. The shipped DLL and programs are the
# 32-bit ones; this build is what the tests run on a machine whose processor cannot execute 32-bit
# code at all, under the 64-bit Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)
set(WIDL_EXECUTABLE    x86_64-w64-mingw32-widl)
set(WIDL_TARGET        --win64)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(WINE_IDL_INCLUDE /usr/include/wine/wine/windows)
set(WINE_TLB_DIR     /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
