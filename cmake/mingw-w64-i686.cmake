# Cross-compiling for 32-bit Windows with Debian's MinGW-w64, posix thread model (the
# win32 model has no std::thread). Used for the bridge build: the ASPI layer stand-in,
# the two bridge libraries and their tests, with the request blocks' pointers in their
# 32-bit slots. The test programs run under Wine (32-bit parts: wine32).
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
#         -DRAIDMON_BRIDGE_ONLY=ON -DRAIDMON_UI=OFF -DRAIDMON_BENCH=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(RAIDMON_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${RAIDMON_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RAIDMON_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RAIDMON_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RAIDMON_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthread linked in: a program runs under Wine or on a
# bare Windows without the compiler's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Wine runs the test programs; the wrapper picks the 32-bit loader for them.
find_program(RAIDMON_WINE NAMES wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(RAIDMON_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RAIDMON_WINE})
endif()
