#include "platform/strict_int.h"

#include <gtest/gtest.h>

#include <limits>

namespace raidmon {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(StrictInt, Decimal) {
  EXPECT_EQ(parseWholeNumber("0"), 0);
  EXPECT_EQ(parseWholeNumber("1000"), 1000);
  EXPECT_EQ(parseWholeNumber("+7"), 7);
  EXPECT_EQ(parseWholeNumber("-42"), -42);
  EXPECT_EQ(parseWholeNumber("-0"), 0);
  EXPECT_EQ(parseWholeNumber("000000000000012"), 12);
}

TEST(StrictInt, DecimalRangeIsInt32) {
  EXPECT_EQ(parseWholeNumber("2147483647"), kMax);
  EXPECT_EQ(parseWholeNumber("-2147483648"), kMin);
  EXPECT_EQ(parseWholeNumber("2147483648"), std::nullopt);
  EXPECT_EQ(parseWholeNumber("-2147483649"), std::nullopt);
  EXPECT_EQ(parseWholeNumber("99999999999999999999999"), std::nullopt);
}

TEST(StrictInt, LeadingBlanksAreSkipped) {
  EXPECT_EQ(parseWholeNumber("   5"), 5);
  EXPECT_EQ(parseWholeNumber("  -5"), -5);
  EXPECT_EQ(parseWholeNumber(" $10"), 16);
}

TEST(StrictInt, Hex) {
  EXPECT_EQ(parseWholeNumber("$0"), 0);
  EXPECT_EQ(parseWholeNumber("$ff"), 255);
  EXPECT_EQ(parseWholeNumber("$FF00FF"), 0xFF00FF);
  EXPECT_EQ(parseWholeNumber("$7FFFFFFF"), kMax);
  EXPECT_EQ(parseWholeNumber("-$10"), -16);
  EXPECT_EQ(parseWholeNumber("$000000001"), 1);
}

TEST(StrictInt, HexGivesThe32BitPatternReadAsSigned) {
  EXPECT_EQ(parseWholeNumber("$FFFFFFFF"), -1);
  EXPECT_EQ(parseWholeNumber("$80000000"), kMin);
  EXPECT_EQ(parseWholeNumber("$100000000"), std::nullopt);
  EXPECT_EQ(parseWholeNumber("$123456789"), std::nullopt);
}

TEST(StrictInt, RejectsAnythingElse) {
  for (const char* text :
       {"", " ", "-", "+", "$", "-$", "abc", "1a", "12 ", " 1 2", "1.0", "0x10", "$1g", "--1",
        "+-1", "\t1", "1\n", "$-1", "\xEF\xBC\x91" /* fullwidth 1 */}) {
    EXPECT_EQ(parseWholeNumber(text), std::nullopt) << "'" << text << "'";
  }
}

TEST(StrictInt, ConversionErrorMessage) {
  EXPECT_EQ(conversionErrorMessage("abc"), "'abc' is not a valid integer value");
  EXPECT_EQ(conversionErrorMessage(""), "'' is not a valid integer value");
  EXPECT_EQ(conversionErrorMessage(" 1 2"), "' 1 2' is not a valid integer value");
}

}  // namespace
}  // namespace raidmon
