// The program directory: the directory of the running executable, ending in '/'.
// Every file the program opens by a fixed name is this directory joined with it.
#pragma once

#include <string>

namespace raidmon {

// Reads /proc/self/exe; falls back to "./" when the link cannot be read.
std::string programDirectory();

// The characters that separate directories in a path: '/', and on Windows '\\' as well.
const char* pathSeparators();

}  // namespace raidmon
