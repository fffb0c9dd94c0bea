// Recording fakes of the flash dialog and of the waits that pump window messages.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "flash/flash_update.h"

namespace raidmon::test {

struct RecordingDialog final : FlashDialogView {
  std::string file, flashName, fileChecksum, totalBlocks, downloadChecksum, downloadBlocks;
  std::optional<std::string> nextChoice;
  std::vector<int> bar;
  std::vector<bool> startEnabled;
  std::vector<bool> fileSelectEnabled;
  std::string filename() const override { return file; }
  void setFilename(std::string_view p) override { file = p; }
  std::optional<std::string> chooseFile(std::string_view filter) override {
    EXPECT_EQ(filter, "Flash Rom File (*.bin)|*.Bin");
    return nextChoice;
  }
  void setFlashName(std::string_view t) override { flashName = t; }
  void setFileChecksum(std::string_view t) override { fileChecksum = t; }
  void setTotalReadBlock(std::string_view t) override { totalBlocks = t; }
  void setDownloadChecksum(std::string_view t) override { downloadChecksum = t; }
  void setDownloadBlocks(std::string_view t) override { downloadBlocks = t; }
  void setStatusBar(int v) override { bar.push_back(v); }
  void setStartEnabled(bool e) override { startEnabled.push_back(e); }
  void setFileSelectEnabled(bool e) override { fileSelectEnabled.push_back(e); }
};

// Counts the waits; `during` (when set) runs inside each one, as window messages would.
struct CountingWaiter final : MessageWaiter {
  std::vector<int> waits;  // milliseconds, in order
  std::function<void()> during;
  void WaitWithMessages(int seconds, int ms) override {
    waits.push_back(seconds * 1000 + ms);
    if (during) during();
  }
};

}  // namespace raidmon::test
