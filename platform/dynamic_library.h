// Libraries loaded at run time: opening one by path and finding its exports by name.
#pragma once

#include <string>

namespace raidmon {

// The library at `path`, with every symbol resolved now and kept to itself; null with
// `error` set ("cannot load <path>: " and the system's reason) when it cannot be loaded.
void* openLibrary(const std::string& path, std::string& error);
// The export `name` of an open library, or null.
void* librarySymbol(void* library, const char* name);
// Drops one reference to an open library (null is ignored).
void closeLibrary(void* library);

}  // namespace raidmon
