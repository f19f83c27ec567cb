# Cross-building for 64-bit Windows with Debian's mingw-w64 (the POSIX thread
# model, whose runtime has std::thread; it is linked in statically).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TWL_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TWL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TWL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TWL_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${TWL_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${TWL_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Libraries come from the cross sysroot and from the libraries built for it.
set(CMAKE_FIND_ROOT_PATH /usr/${TWL_MINGW_TRIPLE} ${TWL_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static libraries only: nothing from the compiler's runtime is shipped beside the module.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
# ctest runs the Windows test programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# pkg-config sees only the libraries built for Windows, never the build
# machine's own (the toolkit backends are left out of this build).
set(ENV{PKG_CONFIG_LIBDIR} "${TWL_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
