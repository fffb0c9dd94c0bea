// Splitting a skin INI value into its comma-separated fields, and the strict integer
// conversion of a field, as the skin files are written for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace raidmon {

// Splits `value` at commas. Leading characters with codes 1..32 are skipped; a field
// starting with '"' is a quoted string ("" inside stands for one quote, the closing
// quote ends it); any other field runs up to the next comma or control character
// (blanks inside a field and before its comma stay in it). After each field, codes
// 1..32 are skipped and a comma is stepped over together with the blanks after it.
// Two adjacent commas give an empty field; a NUL ends the value.
std::vector<std::string> SplitSkinFields(std::string_view value);

// A field as a whole number (decimal, or hexadecimal after "$"). Throws RaidmonError
// with the conversion error ("'<field>' is not a valid integer value") otherwise.
std::int32_t skinInteger(std::string_view field);

}  // namespace raidmon
