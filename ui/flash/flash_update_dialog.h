// The flash dialog "Flash Rom Update" (the system's form Flash_512_Update_form): choose
// an image file, program and verify it.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "flash/flash_update.h"

namespace raidmon {

// WaitWithMessages: lets the application process its events until the time is up.
class QtMessageWaiter final : public MessageWaiter {
 public:
  void WaitWithMessages(int seconds, int milliseconds) override;
};

class FlashUpdateDialog final : public QDialog, public FlashDialogView {
  Q_OBJECT
 public:
  explicit FlashUpdateDialog(QWidget* parent = nullptr);

  QLabel* Flash_Name;
  QLineEdit* Flash_filename;
  QPushButton* File_Select;
  QLineEdit* F_CheckSum;
  QLineEdit* Total_Read_Block;
  QLineEdit* D_CheckSum;
  QLineEdit* D_Total_Block;
  QPushButton* Update_Start_Button;
  QProgressBar* Flash_Status_Bar;

  // The sequence behind the buttons; set once the core exists.
  void setUpdate(FlashUpdate* update) { update_ = update; }
  // The text FormShow copies into Flash_Name (the About page's BIOS_LABEL).
  std::function<std::string()> biosLabel;

  // The operator's steps without an operator: shows the dialog, presses "File Select"
  // answering the open-file dialog with `imagePath`, then presses "Flash ROM Update".
  void runUnattended(const std::string& imagePath);

  // FlashDialogView
  std::string filename() const override;
  void setFilename(std::string_view path) override;
  std::optional<std::string> chooseFile(std::string_view filter) override;
  void setFlashName(std::string_view text) override;
  void setFileChecksum(std::string_view text) override;
  void setTotalReadBlock(std::string_view text) override;
  void setDownloadChecksum(std::string_view text) override;
  void setDownloadBlocks(std::string_view text) override;
  void setStatusBar(int value) override;
  void setStartEnabled(bool enabled) override;
  void setFileSelectEnabled(bool enabled) override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  FlashUpdate* update_ = nullptr;
  // While runUnattended() selects the file: the answer of the open-file dialog.
  std::optional<std::string> unattendedFile_;
};

}  // namespace raidmon
