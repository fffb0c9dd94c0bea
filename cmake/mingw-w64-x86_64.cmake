# Cross-compiling for 64-bit Windows with Debian's MinGW-w64, posix thread model (the
# win32 model has no std::thread). The test programs run under Wine, so `ctest` in a
# build configured with this file runs them as they would run on Windows.
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RAIDMON_MINGW_TRIPLE x86_64-w64-mingw32)
# Wine's wrapper, or wine64 where the wrapper is not installed.
set(RAIDMON_WINE_NAMES wine wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
