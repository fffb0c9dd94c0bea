#include "platform/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace raidmon {
namespace {

Result<std::unique_ptr<int>> opened(bool ok) {
  if (!ok) return Unexpected("cannot open x");
  return std::make_unique<int>(7);
}

// A value moves out whole; a failure keeps its message and never hands out a value.
TEST(ResultTest, ValueOrMessage) {
  Result<std::unique_ptr<int>> good = opened(true);
  ASSERT_TRUE(good);
  EXPECT_EQ(good.error(), "");
  std::unique_ptr<int> taken = std::move(good).value();
  EXPECT_EQ(*taken, 7);

  const Result<std::unique_ptr<int>> bad = opened(false);
  EXPECT_FALSE(bad.has_value());
  EXPECT_EQ(bad.error(), "cannot open x");
  EXPECT_THROW(bad.value(), std::logic_error);

  // A string value and a string message are never confused.
  const Result<std::string> text = std::string("cannot open x");
  EXPECT_TRUE(text);
  EXPECT_EQ(*text, "cannot open x");
}

TEST(ResultTest, StepsWithoutAValueAndOwnErrorTypes) {
  EXPECT_TRUE(Result<void>());
  const Result<void> failed = Unexpected("refused");
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.error(), "refused");

  struct Where {
    int line = 0;
    std::string message;
  };
  const Result<int, Where> refused = Unexpected<Where>({3, "bad"});
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().line, 3);
  EXPECT_EQ(refused.error().message, "bad");
}

}  // namespace
}  // namespace raidmon
