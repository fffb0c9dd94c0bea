// Whole-number conversion with the platform's rules: optional blanks before, an
// optional sign, decimal digits or "$" followed by hex digits, nothing after.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace raidmon {

// The value, or nullopt when the text is not a whole number or does not fit 32 bits
// ("$" hex may give the full 32-bit pattern, read as signed: "$FFFFFFFF" is -1).
std::optional<std::int32_t> parseWholeNumber(std::string_view text);

// A time-out in whole milliseconds from an environment variable (test switches such as
// K4_PACKET_TIMEOUT_MS): digits only, 1 to 86,400,000; nullopt when unset or invalid.
std::optional<std::chrono::milliseconds> millisecondsFromEnvironment(const char* name);

// The platform's conversion error: "'<text>' is not a valid integer value".
std::string conversionErrorMessage(std::string_view text);

}  // namespace raidmon
