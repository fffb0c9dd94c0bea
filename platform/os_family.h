// The family of the operating system the program runs on, as the version API's
// platform id names it: the 9x family (1) or the NT family (2).
#pragma once

#include <cstdint>

namespace raidmon {

inline constexpr std::uint8_t kOsFamily9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
inline constexpr std::uint8_t kOsFamilyNt = 2;  // VER_PLATFORM_WIN32_NT

// Windows: the platform id GetVersionExA reports (any other id as it is, below 256;
// the NT family when the call fails or the id is larger). Elsewhere the NT family,
// whose link the emulated controllers serve.
std::uint8_t systemOsFamily();

}  // namespace raidmon
