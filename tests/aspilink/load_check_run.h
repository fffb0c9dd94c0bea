// Test support: runs the load-check helper (helper/load_check.cpp) on a bridge library
// in a process of its own, as a program that imports the library starts.
#pragma once

#include <filesystem>
#include <string>
#include <utility>

namespace raidmon::test {

// The helper's file name in the program directory.
extern const char* const kLoadCheckProgram;

// Runs `program library` with its standard error going to a file in `dir`; returns the
// exit status (-1 when it did not end normally within a minute) and what it wrote to
// standard error.
std::pair<int, std::string> runLoadCheck(const std::filesystem::path& program,
                                         const std::string& library,
                                         const std::filesystem::path& dir);

}  // namespace raidmon::test
