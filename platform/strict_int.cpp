#include "platform/strict_int.h"

#include <cstdlib>

namespace raidmon {

namespace {

std::optional<unsigned> digitValue(char c, unsigned base) {
  unsigned d = 0;
  if (c >= '0' && c <= '9') {
    d = static_cast<unsigned>(c - '0');
  } else if (c >= 'a' && c <= 'f') {
    d = static_cast<unsigned>(c - 'a' + 10);
  } else if (c >= 'A' && c <= 'F') {
    d = static_cast<unsigned>(c - 'A' + 10);
  } else {
    return std::nullopt;
  }
  if (d >= base) return std::nullopt;
  return d;
}

// The digits' value, or nullopt when `digits` is empty, holds a non-digit or exceeds `limit`.
std::optional<std::uint64_t> parseDigits(std::string_view digits, unsigned base,
                                         std::uint64_t limit) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    const auto d = digitValue(c, base);
    if (!d) return std::nullopt;
    value = value * base + *d;
    if (value > limit) return std::nullopt;  // leading zeros never reach this
  }
  return value;
}

}  // namespace

std::optional<std::int32_t> parseWholeNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);  // blanks: spaces
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (!text.empty() && text.front() == '$') {
    // The 32-bit pattern read as signed; a sign negates it with 32-bit wrap-around.
    const auto pattern = parseDigits(text.substr(1), 16, 0xFFFFFFFFu);
    if (!pattern) return std::nullopt;
    const auto bits = static_cast<std::uint32_t>(*pattern);
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
  }
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  const auto magnitude = parseDigits(text, 10, limit);
  if (!magnitude) return std::nullopt;
  const auto value = static_cast<std::int64_t>(*magnitude);
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::string conversionErrorMessage(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid integer value";
}

std::optional<std::chrono::milliseconds> millisecondsFromEnvironment(const char* name) {
  constexpr long long kMaxMs = 86'400'000;
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return std::nullopt;
  long long ms = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return std::nullopt;
    ms = ms * 10 + (*p - '0');
    if (ms > kMaxMs) return std::nullopt;
  }
  if (ms < 1) return std::nullopt;
  return std::chrono::milliseconds{ms};
}

}  // namespace raidmon
