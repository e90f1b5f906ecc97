# Cross build of 32-bit Windows binaries with the posix-threads flavour of mingw-w64
# (GoogleTest needs std::mutex, which the win32 flavour lacks).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER   i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  i686-w64-mingw32-windres)
set(WIDL_EXECUTABLE    i686-w64-mingw32-widl)
set(WIDL_TARGET        --win32)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The DLL and the programs must stand alone on a machine without the mingw runtime.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(WINE_IDL_INCLUDE /usr/include/wine/wine/windows)
set(WINE_TLB_DIR     /usr/lib/i386-linux-gnu/wine/i386-windows)
