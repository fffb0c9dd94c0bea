#include "flash/flash_update.h"

#include <cstdio>
#include <optional>

#include "platform/input_file.h"
#include "protocol/packet_timeout.h"

namespace raidmon {

namespace {

constexpr std::string_view kNoFile = "Bios File Not Find";
constexpr std::string_view kConfirm = "Press OK to start Flash Update";
constexpr std::string_view kEraseStarted = "Flash Rom Erase.. ";
constexpr std::string_view kEraseComplete = "Flash Rom Erase Complete. ";
constexpr std::string_view kRowComplete = "Flash ROM Update Complete!";
constexpr std::string_view kRowFail = "Flash ROM Update Fail!";
constexpr std::string_view kControllerBusy =
    "The controller does not answer now: read the image again with \"File Select\" later";

// A regular file that can be opened; a FIFO or a device is never waited on.
bool fileExists(const std::string& path) { return InputFile::open(path).ok(); }

// Chips that write whole pages need no erase.
bool needsErase(std::uint8_t maker) { return maker != 0x1F && maker != 0xDA; }

}  // namespace

void FlashUpdate::prepare(std::string_view biosLabel) { view_.setFlashName(biosLabel); }

SettingsInputs FlashUpdate::settingsInputs() const {
  SettingsInputs in;
  in.adapt = !monitor_.flashOption();
  {
    // The rebuild worker may hold the packet inside a request the controller holds back.
    auto ex = monitor_.packet().tryExchange(packetTimeout());
    if (ex) {
      in.packetByte64 = ex->packet().data8(64);
      in.packetByte65 = ex->packet().data8(65);
    } else {
      in.packetAvailable = false;
    }
  }
  in.capacity = monitor_.model().capacityList();
  const auto& entries = monitor_.model().receivedEntries();
  for (std::size_t e = 0; e < entries.size(); ++e) {
    in.receivedEntries[3 * e] = entries[e].kind;
    in.receivedEntries[3 * e + 1] = entries[e].array;
    in.receivedEntries[3 * e + 2] = entries[e].member;
  }
  return in;
}

void FlashUpdate::selectFile() {
  affinity_.check("FlashUpdate");
  // The image being programmed stays the one read before the update started.
  if (running_) return;
  const auto chosen = view_.chooseFile(kFileFilter);
  if (!chosen || running_) return;
  view_.setFilename(*chosen);
  const SettingsInputs inputs = settingsInputs();
  if (!inputs.packetAvailable) {
    monitor_.views().dialogs->errorBox(kControllerBusy);
    return;
  }
  Result<FlashImage> read = readFlashImage(*chosen, inputs);
  if (!read) {
    // The fields keep describing the image read before, which an update refuses now
    // that the path differs.
    monitor_.views().dialogs->errorBox(read.error());
    return;
  }
  view_.setFileChecksum(read->checksumText());
  view_.setTotalReadBlock(std::to_string(read->blockCount()));
  image_ = std::move(read).value();
}

std::string FlashUpdate::refusal() const {
  if (monitor_.state().RebuildState == RebuildState::Running) {
    return "A mirror rebuild is running: update the flash ROM after it has ended";
  }
  if (!image_ || image_->path != view_.filename()) {
    return "Read the image with \"File Select\" first: the flash ROM is only erased for an image "
           "that was read and checked";
  }
  if (image_->blockCount() == 0) return "The image holds no whole block of 128 bytes";
  Result<std::vector<std::uint8_t>> read = readImageBytes(image_->path);
  if (!read) return read.error();
  std::vector<std::uint8_t>& now = *read;
  now.resize(now.size() - now.size() % kFlashBlockSize);
  if (now != image_->raw) {
    return "The image file changed since it was read: read it again with \"File Select\"";
  }
  return {};
}

std::optional<std::uint32_t> FlashUpdate::SendFlashCommand(std::uint8_t code, std::uint16_t address,
                                                           const FlashBlock* block) {
  auto ex = monitor_.packet().exchange();
  if (!monitor_.link().flashCommand(ex.packet(), code, address, 0, block ? block->data() : nullptr)) {
    return std::nullopt;
  }
  return ex.packet().controlCode();
}

bool FlashUpdate::abandon(std::string_view step) {
  monitor_.traceNote("Flash update failed: " + std::string(step) + " not done by the controller");
  SendFlashCommand(FLASH_OP_80, 0, nullptr);
  return false;
}

bool FlashUpdate::erase() {
  NoticeView& box = *monitor_.views().notice;
  box.setNoticeOkVisible(false);
  box.setNoticeLine(1, "");
  box.setNoticeLine(2, kEraseStarted);
  box.setNoticeLine(3, "");
  box.showNotice();
  bool ok = SendFlashCommand(FLASH_OP_04, 0, nullptr).has_value();
  if (ok) {
    if (monitor_.state().OsFamily == kOsFamily9x) {
      waiter_.WaitWithMessages(5, 0);
    } else {
      waiter_.WaitWithMessages(4, 0);
      waiter_.WaitWithMessages(0, 30);
    }
    ok = SendFlashCommand(FLASH_OP_80, 0, nullptr).has_value();
    waiter_.WaitWithMessages(0, 30);
  }
  if (ok) {
    box.setNoticeLine(1, "");
    box.setNoticeLine(2, kEraseComplete);
    box.setNoticeLine(3, "");
    waiter_.WaitWithMessages(0, 30);
  }
  box.setNoticeOkVisible(true);
  box.closeNotice();
  return ok;
}

bool FlashUpdate::programAndVerify(const FlashImage& image) {
  if (needsErase(monitor_.model().flashMaker()) && !erase()) return abandon("erase (0x04, 0x80)");

  const std::size_t expected = image.blockCount();
  std::uint32_t offset = 0;
  std::size_t sent = 0;
  for (const FlashBlock& block : image.blocks) {
    if (!SendFlashCommand(FLASH_OP_10, static_cast<std::uint16_t>(offset), &block)) {
      return abandon("program (0x10) at offset " + std::to_string(offset));
    }
    offset += kFlashBlockSize;
    ++sent;
    view_.setDownloadBlocks(std::to_string(sent));
    waiter_.WaitWithMessages(0, 20);
    view_.setStatusBar(expected > 0 ? static_cast<int>(sent * 100 / expected) : 100);
  }
  view_.setStatusBar(100);
  if (!SendFlashCommand(FLASH_OP_80, 0, nullptr)) return abandon("end (0x80)");
  waiter_.WaitWithMessages(1, 0);

  // The checksum comes back in the header's control-code field.
  const std::optional<std::uint32_t> reply = SendFlashCommand(FLASH_OP_40, static_cast<std::uint16_t>(sent), nullptr);
  if (!reply) {
    // No checksum arrived: whatever the packet holds is not the controller's.
    view_.setDownloadChecksum("");
    return abandon("checksum (0x40)");
  }
  char text[12];
  std::snprintf(text, sizeof text, "%04X", *reply);
  view_.setDownloadChecksum(text);
  if (!SendFlashCommand(FLASH_OP_80, 0, nullptr)) return abandon("end (0x80)");
  return image.checksumText() == text;
}

void FlashUpdate::runUpdate() {
  affinity_.check("FlashUpdate");
  if (running_) return;  // the waits let the button be pressed again
  const MonitorViews& v = monitor_.views();
  const std::string path = view_.filename();
  if (path.empty()) return;
  if (!fileExists(path)) {
    v.dialogs->errorBox(kNoFile);
    return;
  }
  if (const std::string why = refusal(); !why.empty()) {
    v.dialogs->errorBox(why);
    return;
  }
  if (!v.dialogs->confirmBox(kConfirm, true)) return;
  // The bytes read and summed at "File Select", held from now on: nothing picked or
  // changed on disk during the update reaches the ROM.
  const FlashImage image = *image_;

  running_ = true;
  monitor_.setFlashUpdateRunning(true);
  view_.setStartEnabled(false);
  view_.setFileSelectEnabled(false);
  v.timer->setEnabled(false);

  const bool same = programAndVerify(image);
  v.grid->addEventRow("Card 1", same ? kRowComplete : kRowFail, path);
  v.alerts->raise(AlertFacts{same ? AlertEvent::FlashComplete : AlertEvent::FlashFailed, 1, 0, "Card 1",
                             std::string(same ? kRowComplete : kRowFail) + " " + path});
  if (same) {
    v.dialogs->confirmBox("Update Complete", false);
  } else {
    v.dialogs->errorBox("Update Fail, ROM Update Restart");
  }
  v.timer->setEnabled(true);
  view_.setStartEnabled(true);
  view_.setFileSelectEnabled(true);
  monitor_.setFlashUpdateRunning(false);
  running_ = false;
}

}  // namespace raidmon
