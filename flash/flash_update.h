// The flash dialog's work: reading an image (File_Select) and the update sequence
// (erase, program block by block, verify the checksum) on the GUI thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "flash/flash_image.h"
#include "monitor/monitor.h"
#include "platform/thread_affinity.h"

namespace raidmon {

inline constexpr std::string_view kFileFilter = "Flash Rom File (*.bin)|*.Bin";

// The flash dialog (Flash_512_Update_form) as the sequence sees it.
class FlashDialogView {
 public:
  virtual ~FlashDialogView() = default;
  virtual std::string filename() const = 0;  // Flash_filename
  virtual void setFilename(std::string_view path) = 0;
  // Flash_Bin_File: the chosen path, or nullopt when cancelled.
  virtual std::optional<std::string> chooseFile(std::string_view filter) = 0;
  virtual void setFlashName(std::string_view text) = 0;       // Flash_Name
  virtual void setFileChecksum(std::string_view text) = 0;    // F_CheckSum
  virtual void setTotalReadBlock(std::string_view text) = 0;  // Total_Read_Block
  virtual void setDownloadChecksum(std::string_view text) = 0;  // D_CheckSum
  virtual void setDownloadBlocks(std::string_view text) = 0;    // D_Total_Block
  virtual void setStatusBar(int value) = 0;                     // Flash_Status_Bar
  virtual void setStartEnabled(bool enabled) = 0;               // Update_Start_Button
  virtual void setFileSelectEnabled(bool enabled) = 0;          // File_Select
};

// Waits that keep the windows alive (WaitWithMessages); tests count them instead.
class MessageWaiter {
 public:
  virtual ~MessageWaiter() = default;
  virtual void WaitWithMessages(int seconds, int milliseconds) = 0;
};

// GUI thread only.
class FlashUpdate {
 public:
  FlashUpdate(Monitor& monitor, FlashDialogView& view, MessageWaiter& waiter)
      : monitor_(monitor), view_(view), waiter_(waiter) {}

  // The dialog's showing (FormShow): the BIOS label goes into Flash_Name.
  void prepare(std::string_view biosLabel);
  // "File Select" (File_SelectClick): reads the chosen image; refused while an update
  // runs.
  void selectFile();
  // "Flash ROM Update" (Update_Start_ButtonClick). The update: erase, program, verify. Programs exactly the bytes that "File Select"
  // read and summed, held since then; a request that fails or that the controller
  // does not do at any step ends the update as failed ("Update Fail, ROM Update
  // Restart"), never as complete.
  void runUpdate();

  bool running() const { return running_; }
  const std::optional<FlashImage>& image() const { return image_; }
  // The inputs the settings block takes now from the controller's state.
  SettingsInputs settingsInputs() const;

 private:
  // When the request went through and the controller did not answer "not done": the
  // reply's control-code field (which carries the checksum for 0x40); otherwise nothing.
  std::optional<std::uint32_t> SendFlashCommand(std::uint8_t code, std::uint16_t address,
                                                const FlashBlock* block);
  // Why the update may not start, or empty.
  std::string refusal() const;
  bool erase();
  // Erase, program and verify; true only when the controller's checksum equals the image's.
  bool programAndVerify(const FlashImage& image);
  // After a failed step: ends the flash operation (0x80) as far as the controller
  // still answers, notes which step failed, and gives false.
  bool abandon(std::string_view step);

  Monitor& monitor_;
  FlashDialogView& view_;
  MessageWaiter& waiter_;
  std::optional<FlashImage> image_;
  bool running_ = false;
  ThreadAffinity affinity_;  // debug builds: every call on the creating thread
};

}  // namespace raidmon
