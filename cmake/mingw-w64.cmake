# Cross build for 64-bit Windows with MinGW-w64 (Debian: mingw-w64), the
# posix-threads variant, linked statically so that the programs need no
# runtime libraries beside them:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKOLVI_TESTS=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KOLVI_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KOLVI_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOLVI_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KOLVI_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOLVI_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
