// The bridge library when things go wrong: the ASPI layer missing at load, requests
// that stall, that the layer refuses or the device fails.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>

#include "aspilink/load_check_run.h"
#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/scenario_parser.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;
static_assert(std::string_view(kAspiTimeoutVariable) == "K4_ASPI_TIMEOUT_MS");
using Clock = std::chrono::steady_clock;

// A program whose directory has no ASPI layer cannot get past loading either build:
// the message, and a failure. Beside the layer the same load works.
TEST(AspilinkLoad, MissingAspiLayerFailsTheLoadWithTheMessage) {
  const fs::path helper = fs::path(programDirectory()) / test::kLoadCheckProgram;
  test::TempDir temp("aspilink");
  const fs::path& dir = temp.path();
  fs::copy_file(helper, dir / test::kLoadCheckProgram);
  for (const char* word : {"korvane", "pobek"}) {
    const auto [missingExit, missingErr] =
        test::runLoadCheck(dir / test::kLoadCheckProgram, test::bridgeLibraryPath(word), dir);
    EXPECT_EQ(missingExit, 1) << word;
    EXPECT_NE(missingErr.find(" Message from aspilink\n Load dll failed : WNASPI32.Dll\n"),
              std::string::npos)
        << missingErr;
    const auto [besideExit, besideErr] = test::runLoadCheck(helper, test::bridgeLibraryPath(word), dir);
    EXPECT_EQ(besideExit, 0) << word << ": " << besideErr;
  }
}

class AspilinkFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bridge_.ok()) << bridge_.error();
    ASSERT_TRUE(standIn_);
    standIn_->attach(&test::RecordingBackend::deliver, &backend_);
    // putenv keeps the string itself: literals, which live as long as the process.
    ::putenv(const_cast<char*>("K4_ASPI_TIMEOUT_MS=150"));
  }
  // An empty value counts as unset (the default time-out).
  void TearDown() override { ::putenv(const_cast<char*>("K4_ASPI_TIMEOUT_MS=")); }

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
  // The layer's counters are the process's: other tests may have aborted before.
  const auto abortedBefore = standIn_->counters().aborted;
  const auto before = Clock::now();
  EXPECT_EQ(send(CTL_READ_STATUS, p), 0);
  const auto waited = Clock::now() - before;
  EXPECT_GE(waited, std::chrono::milliseconds(150));
  EXPECT_LT(waited, std::chrono::seconds(10));
  EXPECT_EQ(p.bytes, filled(0x3C).bytes);
  EXPECT_EQ(standIn_->counters().aborted, abortedBefore + 1);

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

}  // namespace
}  // namespace raidmon
