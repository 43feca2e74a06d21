# Cross-compiling for 64-bit Windows with the mingw-w64 GCC toolchain.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DVORN_BUILD_TESTS=OFF
# The programs are linked statically (C and C++ runtimes and winpthreads
# included), so each .exe runs on its own on any 64-bit Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VORN_MINGW_PREFIX x86_64-w64-mingw32 CACHE STRING "Target triple prefix of the mingw-w64 tools")

# Debian ships a win32-threads and a posix-threads flavour; either builds the tools.
find_program(VORN_MINGW_CXX NAMES ${VORN_MINGW_PREFIX}-g++-posix ${VORN_MINGW_PREFIX}-g++ REQUIRED)
find_program(VORN_MINGW_CC NAMES ${VORN_MINGW_PREFIX}-gcc-posix ${VORN_MINGW_PREFIX}-gcc)
find_program(VORN_MINGW_RC NAMES ${VORN_MINGW_PREFIX}-windres)
set(CMAKE_CXX_COMPILER ${VORN_MINGW_CXX})
if(VORN_MINGW_CC)
  set(CMAKE_C_COMPILER ${VORN_MINGW_CC})
endif()
if(VORN_MINGW_RC)
  set(CMAKE_RC_COMPILER ${VORN_MINGW_RC})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${VORN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# zlib is linked from its static archive, never through the DLL's import
# library, so that the programs need no zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
set(ZLIB_LIBRARY /usr/${VORN_MINGW_PREFIX}/lib/libz.a CACHE FILEPATH "zlib, static")
