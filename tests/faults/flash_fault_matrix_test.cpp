// The flash update's fault matrix: every step (erase 0x04 and its 0x80, program 0x10 at
// the first, a middle and the last block, the closing 0x80, checksum 0x40, the last
// 0x80) against a request that does not go through, one answered "not done", one held
// past its time-out, a wrong checksum and a server that goes away or stops answering,
// on both links, in process and (where the build has it) across the socket server.
// Each row pins the row and box the operator sees, that "Update Complete" never
// follows a fault, that polling resumes, and the ROM: it equals the image only after
// "Update Complete".
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "faults/matrix_links.h"
#include "flash/flash_update.h"
#include "support/emulated_link.h"
#include "support/flash_views.h"
#include "support/recording_views.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

using namespace std::chrono_literals;
using test::LinkKind;
namespace fs = std::filesystem;

constexpr std::size_t kBlocks = 10;

enum class Midway { None, ServerGone, ServerStalled };

struct Row {
  std::string name;
  std::string faults;        // emulator lines
  bool complete;             // "Update Complete" is the right verdict
  bool erases = true;        // a chip that needs an erase (maker 0x40) or not (0x1F)
  bool checksum0040 = false; // an image whose checksum reads "0040", the checksum code's own number
  bool programmed = true;    // every block reached the ROM
  Midway midway = Midway::None;
  bool socketOnly = false;
};

std::vector<Row> rows() {
  std::vector<Row> r;
  r.push_back({"NoFault", "", true});
  r.push_back({"NoFaultWithoutErase", "", true, false});
  for (const char* mode : {"false", "zero", "stall"}) {
    const std::string m = std::string(" mode ") + mode + (std::string(mode) == "stall" ? " ms 20" : "");
    r.push_back({std::string("Erase_") + mode, "fail 0x04 1" + m + "\n", false, true, false, false});
    r.push_back({std::string("EraseEnd_") + mode, "fail 0x80 1" + m + "\n", false, true, false, false});
    r.push_back({std::string("ProgramFirst_") + mode, "fail 0x10 1 at 0" + m + "\n", false, true, false, false});
    r.push_back({std::string("ProgramMiddle_") + mode, "fail 0x10 1 at 640" + m + "\n", false, true, false, false});
    r.push_back({std::string("ProgramLast_") + mode, "fail 0x10 1 at 1152" + m + "\n", false, true, false, false});
    r.push_back({std::string("ProgramEnd_") + mode, "fail 0x80 1" + m + "\n", false, false});
    r.push_back({std::string("Checksum_") + mode, "fail 0x40 1" + m + "\n", false, true, true});
    r.push_back({std::string("LastEnd_") + mode, "fail 0x80 1 skip 2" + m + "\n", false});
  }
  r.push_back({"WrongChecksum", "bad-checksum\n", false});
  r.push_back({"ServerGone", "", false, true, false, false, Midway::ServerGone, true});
  r.push_back({"ServerStalled", "", false, true, false, false, Midway::ServerStalled, true});
  return r;
}

using Param = test::MatrixParam<Row>;

std::vector<std::uint8_t> imageBytes(bool checksum0040) {
  if (checksum0040) {
    std::vector<std::uint8_t> b(128);
    b[0] = 0x40;  // the bytes sum to 0x0040
    return b;
  }
  std::vector<std::uint8_t> b(kBlocks * 128);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return b;
}

class FlashFaultMatrix : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    const Row& row = GetParam().row;
    const std::string text = std::string("port 1 driver \\Device\\tavrixRX0\naspi 1 0\n") +
                             (row.erases ? "flash maker 0x40\n" : "flash maker 0x1F\n") +
                             "drive 1.1 model \"A\" sectors 1000\ndrive 1.2 model \"B\" sectors 1000\n"
                             "array 4 3 1.1 1.2\ncapacity 1000\n" + row.faults;
    const auto reply = row.midway == Midway::ServerStalled ? 500ms : 10000ms;
    emulated = std::make_unique<test::EmulatedLink>(GetParam().link, text, reply);
    monitor = std::make_unique<Monitor>(*emulated->link, packet, emulated->family, "/proc/self/raidmon-test/");
    monitor->setViews(views.all());
    monitor->start();
    monitor->startMonitoring();
    monitor->pollOnce();
    update = std::make_unique<FlashUpdate>(*monitor, dialog, waiter);
    path = dir.file("bios.bin");
    const auto bytes = imageBytes(row.checksum0040);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    romBefore = emulated->controller->flashContents();
  }
  void TearDown() override {
    if (emulated) emulated->stallServer(false);
    update.reset();
    monitor.reset();
    emulated.reset();
  }

  // Every block of the image is in the ROM.
  bool romHoldsImage() const {
    const FlashImage& image = *update->image();
    const auto rom = emulated->controller->flashContents();
    bool romIsImage = true;
    for (std::size_t n = 0; n < image.blocks.size(); ++n) {
      romIsImage = romIsImage && std::equal(image.blocks[n].begin(), image.blocks[n].end(),
                                            rom.begin() + static_cast<std::ptrdiff_t>(n * 128));
    }
    return romIsImage;
  }

  bool blockSentAfterAFailure() const {
    const auto log = emulated->controller->requestLog();
    bool failedSeen = false, sentAfter = false;
    for (const auto& r : log) {
      if (r.code == FLASH_OP_10 && failedSeen) sentAfter = true;
      if (r.failed) failedSeen = true;
    }
    return sentAfter;
  }

  test::RecordingViews views;
  test::RecordingDialog dialog;
  test::CountingWaiter waiter;
  SharedPacket packet;
  std::unique_ptr<test::EmulatedLink> emulated;
  std::unique_ptr<Monitor> monitor;
  std::unique_ptr<FlashUpdate> update;
  test::TempDir dir{"raidmon_flash_matrix"};
  std::string path;
  std::array<std::uint8_t, 65536> romBefore{};
};

TEST_P(FlashFaultMatrix, OperatorAndRomAfterTheFault) {
  const Row& row = GetParam().row;
  dialog.nextChoice = path;
  update->selectFile();
  ASSERT_TRUE(update->image());
  if (row.checksum0040) {
    ASSERT_EQ(dialog.fileChecksum, "0040");
  }
  if (row.midway == Midway::ServerGone) emulated->stopServer();
  if (row.midway == Midway::ServerStalled) {
    ASSERT_TRUE(emulated->stallServer(true));
  }
  views.timerEnabled = true;
  views.log.clear();
  views.rows.clear();
  views.errors.clear();  // the settings could not be written there

  update->runUpdate();

  const bool romIsImage = romHoldsImage();
  const std::string verdictRow = std::string("Card 1|") +
                                 (row.complete ? "Flash ROM Update Complete!" : "Flash ROM Update Fail!") + "|" + path;
  EXPECT_EQ(views.rows, std::vector<std::string>{verdictRow});
  if (row.complete) {
    EXPECT_TRUE(romIsImage);
    EXPECT_EQ(std::count(views.log.begin(), views.log.end(), "box Update Complete"), 1);
    EXPECT_TRUE(views.errors.empty());
  } else {
    EXPECT_EQ(std::count(views.log.begin(), views.log.end(), "box Update Complete"), 0);
    EXPECT_EQ(views.errors, std::vector<std::string>{"Update Fail, ROM Update Restart"});
    if (!row.programmed) {
      EXPECT_FALSE(romIsImage);
    }
    EXPECT_NE(dialog.downloadChecksum, "0040");  // a reply that did not come is no checksum
  }
  if (row.midway == Midway::None && !row.programmed) {
    // Programming stopped at the failing step: no block was sent after it.
    EXPECT_FALSE(blockSentAfterAFailure());
  }
  // The update is over: polling, the buttons and rebuilds are back.
  EXPECT_TRUE(views.timerEnabled);
  EXPECT_FALSE(update->running());
  EXPECT_FALSE(monitor->flashUpdateRunning());
  ASSERT_FALSE(dialog.fileSelectEnabled.empty());
  EXPECT_FALSE(dialog.fileSelectEnabled.front());
  EXPECT_TRUE(dialog.fileSelectEnabled.back());
}

INSTANTIATE_TEST_SUITE_P(Rows, FlashFaultMatrix, ::testing::ValuesIn(test::onEveryLink(rows())), [](const auto& info) {
  return info.param.row.name + "_" + test::linkName(info.param.link);
});

}  // namespace
}  // namespace raidmon
