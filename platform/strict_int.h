// Whole-number conversion with the platform's rules: optional blanks before, an
// optional sign, decimal digits or "$" followed by hex digits, nothing after.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace raidmon {

// The value, or nullopt when the text is not a whole number or does not fit 32 bits
// ("$" hex may give the full 32-bit pattern, read as signed: "$FFFFFFFF" is -1).
std::optional<std::int32_t> parseWholeNumber(std::string_view text);

// The platform's conversion error: "'<text>' is not a valid integer value".
std::string conversionErrorMessage(std::string_view text);

}  // namespace raidmon
