# Cross-building for 64-bit Windows with Debian's mingw-w64 compilers. The posix
# flavour, since Qt and Kestrel use std::thread. KESTREL_WINDOWS_PREFIX is where
# scripts/windows.sh installs the libraries it cross-builds; CMake looks there
# and in mingw's own root only, never in the Linux system's folders.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_AR ${triplet}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${triplet}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT KESTREL_WINDOWS_PREFIX AND DEFINED ENV{KESTREL_WINDOWS_PREFIX})
    set(KESTREL_WINDOWS_PREFIX $ENV{KESTREL_WINDOWS_PREFIX})
endif()
# Try-compiles see the same variable.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KESTREL_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet} ${KESTREL_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the prefix's and mingw's .pc files only, never the Linux system's.
if(KESTREL_WINDOWS_PREFIX)
    set(ENV{PKG_CONFIG_LIBDIR} ${KESTREL_WINDOWS_PREFIX}/lib/pkgconfig:/usr/${triplet}/lib/pkgconfig)
    set(ENV{PKG_CONFIG_PATH} "")
    set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()
