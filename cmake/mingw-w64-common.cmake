# What both MinGW-w64 toolchain files share; they set RAIDMON_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR first, and RAIDMON_WINE_NAMES (the Wine loaders to look for).
set(CMAKE_SYSTEM_NAME Windows)

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

# Wine runs the test programs.
find_program(RAIDMON_WINE NAMES ${RAIDMON_WINE_NAMES} PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(RAIDMON_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RAIDMON_WINE})
endif()
