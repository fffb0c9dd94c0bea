# Cross-compiling for 32-bit Windows with Debian's MinGW-w64, posix thread model (the
# win32 model has no std::thread). Used for the bridge build: the ASPI layer stand-in,
# the two bridge libraries and their tests, with the request blocks' pointers in their
# 32-bit slots. The test programs run under Wine (32-bit parts: wine32).
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
#         -DRAIDMON_BRIDGE_ONLY=ON -DRAIDMON_UI=OFF -DRAIDMON_BENCH=OFF
set(CMAKE_SYSTEM_PROCESSOR x86)
set(RAIDMON_MINGW_TRIPLE i686-w64-mingw32)
# Wine's wrapper picks the 32-bit loader for the test programs.
set(RAIDMON_WINE_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
