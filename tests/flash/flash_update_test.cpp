// The flash update against the emulated controller through both links.
#include "flash/flash_update.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "support/emulated_link.h"
#include "support/fake_link.h"
#include "support/flash_views.h"
#include "support/recording_views.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

using test::CountingWaiter;
using test::RecordingDialog;

using Kind = test::LinkKind;

class FlashUpdateTest : public ::testing::TestWithParam<Kind> {
 protected:
  void start(const std::string& flashLine = "flash maker 0x40", const std::string& extra = "") {
    std::string text = "port 1 driver \\Device\\tavrixRX0\naspi 1 0\n" + flashLine + "\n" +
                       "drive 1.1 model \"A\" sectors 1000\ndrive 1.2 model \"B\" sectors 1000\n"
                       "array 4 3 1.1 1.2\ncapacity 1000\n" + extra;
    emulated = std::make_unique<test::EmulatedLink>(GetParam(), text);
    controller = emulated->controller.get();
    const std::uint8_t family = emulated->family;
    ControllerLink* link = emulated->link.get();
    monitor = std::make_unique<Monitor>(*link, packet, family, "/proc/self/raidmon-test/");
    monitor->setViews(views.all());
    monitor->start();
    monitor->startMonitoring();
    monitor->pollOnce();
    views.errors.clear();  // the settings could not be written there
    update = std::make_unique<FlashUpdate>(*monitor, dialog, waiter);
  }
  void TearDown() override {
    update.reset();
    monitor.reset();
    if (emulated) emulated->detach();
  }
  std::string writeImage(const std::vector<std::uint8_t>& bytes, const std::string& name = "bios.bin") {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  void select(const std::string& path) {
    dialog.nextChoice = path;
    update->selectFile();
  }
  static std::vector<std::uint8_t> image(std::size_t blocks) {
    std::vector<std::uint8_t> b(blocks * 128);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    if (blocks > 1) {
      b[128] = 0x40;  // block 1 is the settings block
      b[129] = 0x5E;
      b[130] = 0x5E;
      b[131] = 0x41;
    }
    return b;
  }
  bool logged(const std::string& line) const {
    return std::find(views.log.begin(), views.log.end(), line) != views.log.end();
  }
  std::vector<std::uint32_t> flashCodes() const {
    std::vector<std::uint32_t> codes;
    for (const auto& r : controller->requestLog()) {
      if (r.code < 0x100) codes.push_back(r.code);
    }
    return codes;
  }

  test::RecordingViews views;
  RecordingDialog dialog;
  CountingWaiter waiter;
  SharedPacket packet;
  std::unique_ptr<test::EmulatedLink> emulated;
  emu::Controller* controller = nullptr;
  std::unique_ptr<Monitor> monitor;
  std::unique_ptr<FlashUpdate> update;
  test::TempDir temp{"raidmon_flash"};
  const fs::path& dir = temp.path();
};

TEST_P(FlashUpdateTest, RomEqualsTheAdaptedImageAfterAnUpdate) {
  start();
  const std::string path = writeImage(image(10));
  select(path);
  ASSERT_TRUE(update->image());
  EXPECT_EQ(dialog.totalBlocks, "10");
  EXPECT_EQ(dialog.fileChecksum, update->image()->checksumText());
  controller->clearRequestLog();
  update->runUpdate();

  EXPECT_TRUE(logged("box Press OK to start Flash Update"));
  EXPECT_TRUE(logged("notice |Flash Rom Erase.. |"));
  EXPECT_EQ(views.noticeOk, true);
  EXPECT_TRUE(logged("notice closed"));
  const auto rom = controller->flashContents();
  for (std::size_t n = 0; n < 10; ++n) {
    EXPECT_TRUE(std::equal(update->image()->blocks[n].begin(), update->image()->blocks[n].end(),
                           rom.begin() + static_cast<std::ptrdiff_t>(n * 128)))
        << "block " << n;
  }
  // The settings block carries the controller's arrays.
  EXPECT_EQ(rom[128 + 48], kKindRaid1);
  EXPECT_EQ(rom[128 + 49], 3);
  EXPECT_EQ(dialog.bar, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 100}));
  EXPECT_EQ(dialog.downloadBlocks, "10");
  EXPECT_EQ(dialog.downloadChecksum, dialog.fileChecksum);
  EXPECT_EQ(views.rows.back(), "Card 1|Flash ROM Update Complete!|" + path);
  EXPECT_TRUE(logged("box Update Complete"));
  EXPECT_TRUE(views.timerEnabled);
  EXPECT_EQ(dialog.startEnabled, (std::vector<bool>{false, true}));
  std::vector<std::uint32_t> expected{0x04, 0x80};
  expected.insert(expected.end(), 10, 0x10);
  expected.insert(expected.end(), {0x80, 0x40, 0x80});
  EXPECT_EQ(flashCodes(), expected);
  // Erase waits per link, 20 ms per block, a second before the checksum.
  const std::vector<int> erase =
      GetParam() == Kind::Direct ? std::vector<int>{4000, 30, 30, 30} : std::vector<int>{5000, 30, 30};
  EXPECT_EQ(std::vector<int>(waiter.waits.begin(), waiter.waits.begin() + static_cast<std::ptrdiff_t>(erase.size())), erase);
  EXPECT_EQ(waiter.waits.back(), 1000);
}

TEST_P(FlashUpdateTest, FullImageEndsAtTheLastOffsetAndPageChipsSkipTheErase) {
  start("flash maker 0x1F device 0x01");
  select(writeImage(image(512)));
  controller->clearRequestLog();
  update->runUpdate();
  EXPECT_FALSE(logged("notice |Flash Rom Erase.. |"));
  const auto log = controller->requestLog();
  std::uint32_t lastOffset = 0, checksumBlocks = 0;
  for (const auto& r : log) {
    if (r.code == 0x10) lastOffset = loadLe32(r.data.data() + 4);
    if (r.code == 0x40) checksumBlocks = loadLe32(r.data.data() + 4);
    EXPECT_NE(r.code, 0x04u);
  }
  EXPECT_EQ(lastOffset, 65408u);
  EXPECT_EQ(checksumBlocks, 512u);
  EXPECT_EQ(views.rows.back().substr(0, 34), "Card 1|Flash ROM Update Complete!|");
}

TEST_P(FlashUpdateTest, AStaleNotDoneInTheSharedPacketIsNoFlashCommandsVerdict) {
  start();
  select(writeImage(image(3)));
  // The last exchange before the update was answered "not done" (a failed transfer, say);
  // through the bridge the flash commands' own answers land in the flash packet.
  packet.unlocked().setReturnCode(kReturnCodeNotDone);
  update->runUpdate();
  EXPECT_EQ(views.rows.back().substr(0, 34), "Card 1|Flash ROM Update Complete!|");
}

TEST_P(FlashUpdateTest, WrongChecksumReportsAFailure) {
  start("flash maker 0x40", "bad-checksum\n");
  select(writeImage(image(3)));
  update->runUpdate();
  EXPECT_NE(dialog.downloadChecksum, dialog.fileChecksum);
  EXPECT_EQ(views.rows.back().substr(0, 30), "Card 1|Flash ROM Update Fail!|");
  EXPECT_EQ(views.errors.back(), "Update Fail, ROM Update Restart");
  EXPECT_TRUE(views.timerEnabled);
}

TEST_P(FlashUpdateTest, RefusalsBeforeAnythingIsErased) {
  start();
  update->runUpdate();  // no path: nothing at all
  EXPECT_TRUE(views.errors.empty());
  dialog.file = (dir / "missing.bin").string();
  update->runUpdate();
  EXPECT_EQ(views.errors.back(), "Bios File Not Find");

  const std::string a = writeImage(image(4), "a.bin");
  const std::string b = writeImage(image(4), "b.bin");
  dialog.file = a;  // typed by hand, never read through File Select
  update->runUpdate();
  EXPECT_NE(views.errors.back().find("File Select"), std::string::npos);

  select(a);
  dialog.file = b;
  update->runUpdate();
  EXPECT_NE(views.errors.back().find("File Select"), std::string::npos);

  dialog.file = a;
  writeImage(std::vector<std::uint8_t>(4 * 128, 9), "a.bin");  // changed since read
  update->runUpdate();
  EXPECT_NE(views.errors.back().find("changed"), std::string::npos);

  select(writeImage(std::vector<std::uint8_t>(100, 1), "tiny.bin"));
  EXPECT_EQ(dialog.totalBlocks, "0");
  update->runUpdate();
  EXPECT_NE(views.errors.back().find("no whole block"), std::string::npos);

  select(a);
  monitor->setRebuildState(RebuildState::Running);
  update->runUpdate();
  EXPECT_NE(views.errors.back().find("rebuild is running"), std::string::npos);
  monitor->setRebuildState(RebuildState::Idle);

  views.confirmAnswers = {false};
  update->runUpdate();
  for (const auto& r : controller->requestLog()) EXPECT_GE(r.code, 0x100u);  // no flash command
  EXPECT_TRUE(dialog.startEnabled.empty());

  select(writeImage(std::vector<std::uint8_t>(65536 + 128, 1), "huge.bin"));
  EXPECT_NE(views.errors.back().find("at most 512"), std::string::npos);
  EXPECT_EQ(dialog.totalBlocks, "4");  // the fields keep the image read before
}

TEST_P(FlashUpdateTest, FilesPickedDuringTheUpdateNeverReachTheRom) {
  start();
  const std::string checked = writeImage(image(6), "checked.bin");
  const std::string other = writeImage(image(2), "other.bin");
  const std::string empty = writeImage({}, "empty.bin");
  select(checked);
  const FlashImage read = *update->image();
  // During every wait the operator picks another file, and an empty one.
  int picks = 0;
  waiter.during = [&] {
    dialog.nextChoice = (picks++ % 2 == 0) ? other : empty;
    update->selectFile();
  };
  update->runUpdate();
  waiter.during = nullptr;
  EXPECT_GT(picks, 0);
  EXPECT_EQ(dialog.fileSelectEnabled, (std::vector<bool>{false, true}));
  EXPECT_EQ(dialog.file, checked);  // nothing was chosen while it ran
  const auto rom = controller->flashContents();
  for (std::size_t n = 0; n < read.blocks.size(); ++n) {
    EXPECT_TRUE(std::equal(read.blocks[n].begin(), read.blocks[n].end(), rom.begin() + static_cast<std::ptrdiff_t>(n * 128)))
        << "block " << n;
  }
  EXPECT_EQ(views.rows.back().substr(0, 34), "Card 1|Flash ROM Update Complete!|");
  // Afterwards File Select works again.
  dialog.nextChoice = other;
  update->selectFile();
  EXPECT_EQ(dialog.totalBlocks, "2");
}

// Each outcome goes to the alert sink too, with the grid row's text and the file.
TEST_P(FlashUpdateTest, EachOutcomeRaisesItsAlert) {
  struct Alerts final : AlertSink {
    std::vector<AlertFacts> raised;
    void raise(const AlertFacts& f) override { raised.push_back(f); }
    void record(std::string_view, const std::vector<std::string_view>&) override {}
  } alerts;
  for (const bool good : {true, false}) {
    SCOPED_TRACE(good);
    update.reset();
    start("flash maker 0x40", good ? "" : "bad-checksum\n");
    MonitorViews v = views.all();
    v.alerts = &alerts;
    monitor->setViews(v);
    const std::string path = writeImage(image(3));
    select(path);
    update->runUpdate();
    ASSERT_EQ(alerts.raised.size(), good ? 1u : 2u);
    const AlertFacts& f = alerts.raised.back();
    EXPECT_EQ(f.event, good ? AlertEvent::FlashComplete : AlertEvent::FlashFailed);
    EXPECT_EQ(f.card, 1);
    EXPECT_EQ(f.position, 0);
    EXPECT_EQ(f.location, "Card 1");
    EXPECT_EQ(f.message, std::string(good ? "Flash ROM Update Complete! " : "Flash ROM Update Fail! ") + path);
  }
}

INSTANTIATE_TEST_SUITE_P(BothLinks, FlashUpdateTest, ::testing::Values(Kind::Direct, Kind::Bridge),
                         [](const auto& info) { return info.param == Kind::Direct ? "Direct" : "Bridge"; });

}  // namespace
}  // namespace raidmon

namespace raidmon {
namespace {

TEST(FlashChecksumTextTest, AReplyWithMoreThanFourDigitsIsAFailure) {
  // A controller that answers the checksum request with a full 32-bit sum.
  test::FakeLink link;
  SharedPacket packet;
  test::RecordingViews views;
  Monitor monitor(link, packet, kOsFamilyNt, "/proc/self/raidmon-test/");
  monitor.setViews(views.all());
  monitor.start();
  RecordingDialog dialog;
  CountingWaiter waiter;
  FlashUpdate update(monitor, dialog, waiter);
  test::TempDir temp("raidmon_wide");
  const fs::path path = temp / "wide.bin";
  std::ofstream(path, std::ios::binary) << std::string(256, '\x80');
  dialog.nextChoice = path.string();
  update.selectFile();
  ASSERT_EQ(dialog.fileChecksum, "8000");
  link.checksumReply = 0x18000;  // same low 16 bits, one digit more
  update.runUpdate();
  EXPECT_EQ(dialog.downloadChecksum, "18000");
  EXPECT_EQ(views.rows.back(), "Card 1|Flash ROM Update Fail!|" + path.string());
  link.checksumReply = 0x8000;
  update.runUpdate();
  EXPECT_EQ(views.rows.back(), "Card 1|Flash ROM Update Complete!|" + path.string());
}

}  // namespace
}  // namespace raidmon
