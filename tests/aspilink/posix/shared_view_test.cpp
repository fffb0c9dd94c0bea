// The bridge library's private view on POSIX systems: the shared memory object behind it.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/shared_memory.h"

namespace raidmon {
namespace {

// The shared view: a name no one can tell in advance, created exclusively, private to
// the user and unlinked once mapped; names taken beforehand (the old predictable one
// included) cost another draw, never a failure while draws remain.
TEST(SharedViewTest, UnguessableNameCreatedExclusivelyAndUnlinked) {
  const std::string predictable = "/k4test." + std::to_string(getpid());
  const int squatter = shm_open(predictable.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
  ASSERT_GE(squatter, 0);
  auto created = SharedView::create("k4test", 2076);
  ASSERT_TRUE(created) << created.error();
  std::unique_ptr<SharedView> view = std::move(created).value();
  EXPECT_EQ(view->name().rfind(predictable + ".", 0), 0u) << view->name();
  EXPECT_EQ(view->name().size(), predictable.size() + 17);
  EXPECT_LT(shm_open(view->name().c_str(), O_RDWR, 0), 0);  // nobody else can open it
  auto createdOther = SharedView::create("k4test", 2076);
  ASSERT_TRUE(createdOther) << createdOther.error();
  std::unique_ptr<SharedView> other = std::move(createdOther).value();
  EXPECT_NE(other->name(), view->name());
  view->data()[0] = 1;
  EXPECT_EQ(other->data()[0], 0);
  close(squatter);
  shm_unlink(predictable.c_str());

  // Someone holds the names the first draws give: the next free one is taken.
  std::uint64_t next = 0x1000;
  auto draws = [&next] { return next++; };
  std::vector<std::string> taken;
  for (std::uint64_t r = 0x1000; r < 0x1003; ++r) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(r));
    taken.push_back(predictable + "." + hex);
    const int fd = shm_open(taken.back().c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
  }
  created = SharedView::create("k4test", 2076, draws);
  ASSERT_TRUE(created) << created.error();
  view = std::move(created).value();
  EXPECT_EQ(view->name(), predictable + ".0000000000001003");
  // Every draw taken: a clear failure, nothing left behind.
  created = SharedView::create("k4test", 2076, [] { return std::uint64_t{0x1000}; });
  EXPECT_FALSE(created);
  EXPECT_NE(created.error().find("names taken"), std::string::npos) << created.error();
  for (const std::string& name : taken) shm_unlink(name.c_str());
}

}  // namespace
}  // namespace raidmon
