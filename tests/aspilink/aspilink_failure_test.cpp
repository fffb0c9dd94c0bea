// The bridge library when things go wrong: the ASPI layer missing at load, requests
// that stall, that the layer refuses or that the device fails, and the private view.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/scenario_parser.h"
#include "platform/shared_memory.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using test::AttachedStandIn;
using test::LoadedBridge;
using test::RecordingBackend;

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs `program library` with stdout and stderr in files; waits for it to end.
RunResult run(const fs::path& program, const std::string& library, const fs::path& dir) {
  const fs::path out = dir / "out.txt";
  const fs::path err = dir / "err.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (o < 0 || e < 0) _exit(90);
    dup2(o, STDOUT_FILENO);
    dup2(e, STDERR_FILENO);
    execl(program.c_str(), program.c_str(), library.c_str(), static_cast<char*>(nullptr));
    _exit(91);
  }
  RunResult r;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  r.out = slurp(out);
  r.err = slurp(err);
  return r;
}

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "aspilink_XXXXXX").string();
    path_ = mkdtemp(tmpl.data()) ? fs::path(tmpl) : fs::path();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A program whose directory has no ASPI layer cannot get past loading either build:
// it shows the message and ends with a failure. Beside the layer the same load works.
TEST(AspilinkLoad, MissingAspiLayerFailsTheLoadWithTheMessage) {
  const fs::path helper = fs::path(programDirectory()) / "aspilink_load_check";
  ASSERT_TRUE(fs::exists(helper));
  TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  const fs::path lonely = dir.path() / "aspilink_load_check";
  fs::copy_file(helper, lonely);
  for (const char* word : {"korvane", "pobek"}) {
    SCOPED_TRACE(word);
    const std::string library = test::bridgeLibraryPath(word);
    const RunResult missing = run(lonely, library, dir.path());
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find(" Message from aspilink\n Load dll failed : WNASPI32.Dll\n"),
              std::string::npos)
        << missing.err;

    const RunResult present = run(helper, library, dir.path());
    EXPECT_EQ(present.exitCode, 0) << present.err;
    EXPECT_EQ(present.out, "loaded\n");
  }
}

class AspilinkFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bridge_.ok()) << bridge_.error();
    ASSERT_TRUE(standIn_);
    standIn_->attach(&RecordingBackend::deliver, &backend_);
    setenv(kAspiTimeoutVariable, "150", 1);
  }
  void TearDown() override { unsetenv(kAspiTimeoutVariable); }

  std::uint8_t readStatus(ControlPacket& p) {
    return bridge_.exports().TavrixIoControl(0, 1, CTL_READ_STATUS, 1, 0, p.raw(), 0, 0, 0, 0, 0, 0);
  }
  static ControlPacket filled(std::uint8_t v) {
    ControlPacket p;
    p.bytes.fill(v);
    return p;
  }

  LoadedBridge bridge_{"korvane"};
  RecordingBackend backend_;
  AttachedStandIn standIn_;
};

// A request the layer never completes ends after the time-out: it is aborted, the
// result is 0 and the caller's packet is as it was. The layer then works normally and
// the aborted request never reaches the device.
TEST_F(AspilinkFailure, StalledRequestEndsAfterTheTimeOut) {
  standIn_->setStall(true);
  ControlPacket p = filled(0x3C);
  const auto before = Clock::now();
  EXPECT_EQ(readStatus(p), 0);
  const auto waited = Clock::now() - before;
  EXPECT_GE(waited, std::chrono::milliseconds(150));
  EXPECT_LT(waited, std::chrono::seconds(10));
  EXPECT_EQ(p.bytes, filled(0x3C).bytes);
  EXPECT_EQ(standIn_->counters().aborted, 1u);

  standIn_->setStall(false);
  backend_.answer = [](std::uint8_t* b, std::uint32_t) { b[kHeaderSize] = 0x77; };
  EXPECT_EQ(readStatus(p), 1);
  EXPECT_EQ(p.data8(0), 0x77);
  EXPECT_EQ(backend_.requests().size(), 1u);
}

// Stalled inside the device: the time-out aborts it; when the device finally answers,
// that late answer goes nowhere, and the next request gets its own answer.
TEST_F(AspilinkFailure, LateAnswerOfAnAbortedRequestIsDropped) {
  const emu::ScenarioParse scenario = emu::parseScenario(emu::defaultScenarioText());
  ASSERT_TRUE(scenario.ok());
  emu::Controller controller(scenario.scenario);
  std::mutex mu;
  std::condition_variable cv;
  bool release = false;
  controller.setStallHook([&](std::uint32_t code) {
    if (code != CTL_READ_CONFIG) return;
    std::unique_lock lock(mu);
    cv.wait(lock, [&] { return release; });
  });
  standIn_->attachDevice(controller);

  ControlPacket p = filled(0x11);
  EXPECT_EQ(bridge_.exports().TavrixIoControl(0, 1, CTL_READ_CONFIG, 1, 0, p.raw(), 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(p.bytes, filled(0x11).bytes);
  {
    std::lock_guard lock(mu);
    release = true;
  }
  cv.notify_all();
  EXPECT_EQ(readStatus(p), 1);
  const auto status = controller.statusBlock();
  EXPECT_EQ(std::memcmp(p.data(), status.data(), status.size()), 0);
  EXPECT_EQ(controller.requestCount(CTL_READ_CONFIG), 1u);
  standIn_->detach();
}

// The layer refuses at once (no wait) or the device fails the request: 0, and the
// caller's packet is as it was.
TEST_F(AspilinkFailure, RefusedOrFailedRequestsLeaveThePacket) {
  ControlPacket p = filled(0x21);
  standIn_->setImmediateStatus(aspi::SS_ERR);
  const auto before = Clock::now();
  EXPECT_EQ(readStatus(p), 0);
  EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(150));
  EXPECT_TRUE(backend_.requests().empty());

  // Completed on the spot: no wait, and the answer comes back.
  standIn_->setImmediateStatus(aspi::SS_COMP);
  backend_.answer = [](std::uint8_t* b, std::uint32_t) { storeLe32(b + kOffReturnCode, CTL_PROBE); };
  EXPECT_EQ(bridge_.exports().TavrixIoControl(0, 0, CTL_PROBE, 1, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
  EXPECT_EQ(p.returnCode(), CTL_PROBE);
  standIn_->setImmediateStatus(0);

  // An adapter the layer does not have.
  p = filled(0x22);
  standIn_->attach(&RecordingBackend::deliver, &backend_, 2);
  EXPECT_EQ(bridge_.exports().TavrixIoControl(0, 0, CTL_READ_CONFIG, 2, 0, p.raw(), 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(p.bytes, filled(0x22).bytes);

  // The device fails it (the emulator's transport failure).
  backend_.answer = nullptr;
  backend_.succeed = 0;
  EXPECT_EQ(readStatus(p), 0);
  EXPECT_EQ(p.bytes, filled(0x22).bytes);
}

// The shared view: private to the user, unlinked once mapped, a wrong size refused.
TEST(SharedViewTest, PrivateUnlinkedAndSizeChecked) {
  std::string error;
  auto view = SharedView::create("k4test", 2076, error);
  ASSERT_TRUE(view) << error;
  EXPECT_EQ(view->size(), 2076u);
  EXPECT_EQ(view->name(), "/k4test." + std::to_string(getpid()));
  errno = 0;
  EXPECT_LT(shm_open(view->name().c_str(), O_RDWR, 0), 0);  // nobody else can open it
  EXPECT_EQ(errno, ENOENT);
  view->data()[2075] = 0xAB;
  EXPECT_EQ(view->data()[2075], 0xAB);
  view.reset();

  // Left over under this process's name with the wrong size: refused.
  const std::string name = "/k4test." + std::to_string(getpid());
  int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 4096), 0);
  close(fd);
  EXPECT_FALSE(SharedView::create("k4test", 2076, error));
  EXPECT_NE(error.find("4096"), std::string::npos) << error;
  shm_unlink(name.c_str());

  // Left over and readable by others: refused.
  fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(fchmod(fd, 0644), 0);
  ASSERT_EQ(ftruncate(fd, 2076), 0);
  close(fd);
  EXPECT_FALSE(SharedView::create("k4test", 2076, error));
  EXPECT_NE(error.find("private"), std::string::npos) << error;
  shm_unlink(name.c_str());

  // The bridge library's own view is gone from the name space once it is loaded.
  LoadedBridge bridge("pobek");
  ASSERT_TRUE(bridge.ok()) << bridge.error();
  EXPECT_FALSE(fs::exists("/dev/shm/pobek." + std::to_string(getpid())));
}

}  // namespace
}  // namespace raidmon
