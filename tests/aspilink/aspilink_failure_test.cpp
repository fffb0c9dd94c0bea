// The bridge library when things go wrong: the ASPI layer missing at load, requests
// that stall, that the layer refuses or the device fails, and the private view.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/scenario_parser.h"
#include "platform/shared_memory.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Runs `program library`; returns the exit status and what went to stderr.
std::pair<int, std::string> run(const fs::path& program, const std::string& library,
                                 const fs::path& dir) {
  const fs::path err = dir / "err.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (e < 0 || dup2(e, STDERR_FILENO) < 0) _exit(90);
    execl(program.c_str(), program.c_str(), library.c_str(), static_cast<char*>(nullptr));
    _exit(91);
  }
  int status = 0;
  const bool ended = pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status);
  std::stringstream text;
  text << std::ifstream(err).rdbuf();
  return {ended ? WEXITSTATUS(status) : -1, text.str()};
}

// A program whose directory has no ASPI layer cannot get past loading either build:
// the message, and a failure. Beside the layer the same load works.
TEST(AspilinkLoad, MissingAspiLayerFailsTheLoadWithTheMessage) {
  const fs::path helper = fs::path(programDirectory()) / "aspilink_load_check";
  test::TempDir temp("aspilink");
  const fs::path& dir = temp.path();
  fs::copy_file(helper, dir / "aspilink_load_check");
  for (const char* word : {"korvane", "pobek"}) {
    const auto [missingExit, missingErr] =
        run(dir / "aspilink_load_check", test::bridgeLibraryPath(word), dir);
    EXPECT_EQ(missingExit, 1) << word;
    EXPECT_NE(missingErr.find(" Message from aspilink\n Load dll failed : WNASPI32.Dll\n"),
              std::string::npos)
        << missingErr;
    EXPECT_EQ(run(helper, test::bridgeLibraryPath(word), dir).first, 0) << word;
  }
}

class AspilinkFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bridge_.ok()) << bridge_.error();
    ASSERT_TRUE(standIn_);
    standIn_->attach(&test::RecordingBackend::deliver, &backend_);
    setenv(kAspiTimeoutVariable, "150", 1);
  }
  void TearDown() override { unsetenv(kAspiTimeoutVariable); }

  std::uint8_t send(std::uint32_t code, ControlPacket& p) {
    return bridge_.exports().TavrixIoControl(0, 1, code, 1, 0, p.raw(), 0, 0, 0, 0, 0, 0);
  }
  static ControlPacket filled(std::uint8_t v) {
    ControlPacket p;
    p.bytes.fill(v);
    return p;
  }

  test::LoadedBridge bridge_{"korvane"};
  test::RecordingBackend backend_;
  test::AttachedStandIn standIn_;
};

// A request the layer never completes ends after the time-out: aborted, result 0,
// the caller's packet as it was. The aborted request never reaches the device.
TEST_F(AspilinkFailure, StalledRequestEndsAfterTheTimeOut) {
  standIn_->setStall(true);
  ControlPacket p = filled(0x3C);
  const auto before = Clock::now();
  EXPECT_EQ(send(CTL_READ_STATUS, p), 0);
  const auto waited = Clock::now() - before;
  EXPECT_GE(waited, std::chrono::milliseconds(150));
  EXPECT_LT(waited, std::chrono::seconds(10));
  EXPECT_EQ(p.bytes, filled(0x3C).bytes);
  EXPECT_EQ(standIn_->counters().aborted, 1u);

  standIn_->setStall(false);
  backend_.answer = [](std::uint8_t* b, std::uint32_t) { b[kHeaderSize] = 0x77; };
  EXPECT_EQ(send(CTL_READ_STATUS, p), 1);
  EXPECT_EQ(p.data8(0), 0x77);
  EXPECT_EQ(backend_.requests().size(), 1u);
}

// Stalled inside the device: aborted after the time-out; the device's late answer
// goes nowhere, and the next request gets its own answer.
TEST_F(AspilinkFailure, LateAnswerOfAnAbortedRequestIsDropped) {
  emu::Controller controller(emu::parseScenario(emu::defaultScenarioText()).value());
  std::mutex mu;
  std::condition_variable cv;
  bool release = false;
  controller.setStallHook([&](std::uint32_t code) {
    std::unique_lock lock(mu);
    if (code == CTL_READ_CONFIG) cv.wait(lock, [&] { return release; });
  });
  standIn_->attachDevice(controller);
  ControlPacket p = filled(0x11);
  EXPECT_EQ(send(CTL_READ_CONFIG, p), 0);
  EXPECT_EQ(p.bytes, filled(0x11).bytes);
  {
    std::lock_guard lock(mu);
    release = true;
  }
  cv.notify_all();
  EXPECT_EQ(send(CTL_READ_STATUS, p), 1);
  const auto status = controller.statusBlock();
  EXPECT_EQ(std::memcmp(p.data(), status.data(), status.size()), 0);
  standIn_->detach();
}

// Refused by the layer at once (no wait), or failed by the device: 0, packet as it was.
TEST_F(AspilinkFailure, RefusedOrFailedRequestsLeaveThePacket) {
  ControlPacket p = filled(0x21);
  standIn_->setImmediateStatus(aspi::SS_ERR);
  const auto before = Clock::now();
  EXPECT_EQ(send(CTL_READ_STATUS, p), 0);
  EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(150));
  EXPECT_TRUE(backend_.requests().empty());
  standIn_->setImmediateStatus(0);
  backend_.succeed = 0;
  EXPECT_EQ(send(CTL_READ_CONFIG, p), 0);
  EXPECT_EQ(p.bytes, filled(0x21).bytes);
  EXPECT_EQ(backend_.requests().size(), 1u);
}

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
