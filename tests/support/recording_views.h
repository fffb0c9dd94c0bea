// Recording fakes of the core's view interfaces: every call lands in a log line a
// test can compare, and the timer and dialogs keep just enough state to answer.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "monitor/monitor.h"

namespace raidmon::test {

class RecordingViews : public MenuView, public IndicatorSink, public MainWindowView,
                       public ModeTreeView, public DebugView, public ScanFormView,
                       public PollTimer, public Dialogs, public NoticeView,
                       public EventGridView, public RebuildHooks {
 public:
  std::vector<std::string> log;        // indicator, window, tree, scan and event calls
  std::vector<std::string> traces;
  std::vector<std::string> errors;
  std::deque<std::optional<std::string>> inputAnswers;
  std::deque<bool> confirmAnswers;
  std::vector<int> progress;
  int timerInterval = 0;
  bool timerEnabled = false;
  int autoRebuildClicks = 0;
  int outcomeReports = 0;
  std::array<std::string, 3> noticeLines;
  bool noticeOk = true;
  std::vector<std::string> rows;
  std::array<std::string, 8> panels;
  std::string plugLabel;

  MonitorViews all() {
    return {this, this, this, this, this, this, this, this, this, this, this};
  }
  void clear() {
    log.clear();
    rows.clear();
    traces.clear();
    errors.clear();
    progress.clear();
  }

  void applyMenuItem(MenuItem, const MenuItemState&) override {}
  void loadAnimation(int c, int p, const std::string& path) override {
    log.push_back("load " + std::to_string(c) + "," + std::to_string(p) + " " +
                  path.substr(path.rfind('/') + 1));
  }
  void hideIndicator(int c, int p) override {
    log.push_back("hide " + std::to_string(c) + "," + std::to_string(p));
  }
  void showAndPlay(int c, int p) override {
    log.push_back("play " + std::to_string(c) + "," + std::to_string(p));
  }
  int screenWidth() const override { return 1280; }
  void placeWindow(int l, int t) override {
    log.push_back("place " + std::to_string(l) + "," + std::to_string(t));
  }
  void closeMainWindow() override { log.push_back("close"); }
  void selectSmallSkin(int n) override { log.push_back("skin " + std::to_string(n)); }
  void showMonitorDialog() override { log.push_back("monitor dialog"); }
  void setMonitorPage(int page) override { log.push_back("page " + std::to_string(page)); }
  void rebuildTree() override { log.push_back("tree"); }
  void setNodeImages(int node, NodeImage image) override {
    log.push_back("node " + std::to_string(node) + "=" + std::to_string(static_cast<int>(image)));
  }
  void addTrace(std::string_view line) override { traces.emplace_back(line); }
  void setPlugLabel(std::string_view text) override { plugLabel = std::string(text); }
  void fillDebugGrid() override {}
  void showScanForm(std::string_view caption) override {
    log.push_back("scan show" + std::string(caption));
  }
  void setScanCaption(std::string_view caption) override {
    log.push_back("scan caption" + std::string(caption));
  }
  void setScanProgress(int value) override { progress.push_back(value); }
  void closeScanForm() override { log.push_back("scan close"); }
  void setInterval(int ms) override { timerInterval = ms; }
  int interval() const override { return timerInterval; }
  void setEnabled(bool on) override { timerEnabled = on; }
  bool enabled() const override { return timerEnabled; }
  void errorBox(std::string_view text) override { errors.emplace_back(text); }
  // Boxes log "box <text>"; confirmations answer from `confirmAnswers` (default OK).
  bool confirmBox(std::string_view text, bool) override {
    log.push_back("box " + std::string(text));
    if (confirmAnswers.empty()) return true;
    const bool a = confirmAnswers.front();
    confirmAnswers.pop_front();
    return a;
  }
  void messageBox(std::string_view text) override { log.push_back("message " + std::string(text)); }
  std::optional<std::string> inputBox(std::string_view, std::string_view,
                                      std::string_view) override {
    if (inputAnswers.empty()) return std::nullopt;
    auto a = inputAnswers.front();
    inputAnswers.pop_front();
    return a;
  }
  // Notices log "notice <Msg1>|<Msg2>|<msg3>" when shown; rows "row <cells>".
  void setNoticeLine(int line, std::string_view text) override {
    if (line >= 1 && line <= 3) noticeLines[static_cast<std::size_t>(line - 1)] = std::string(text);
  }
  void setNoticeOkVisible(bool visible) override { noticeOk = visible; }
  void showNotice() override {
    log.push_back("notice " + noticeLines[0] + "|" + noticeLines[1] + "|" + noticeLines[2]);
  }
  void closeNotice() override {
    log.push_back("notice closed");
    noticeLines = {};
  }
  void addEventRow(std::string_view location, std::string_view event,
                   std::string_view last) override {
    rows.push_back(std::string(location) + "|" + std::string(event) + "|" + std::string(last));
    log.push_back("row " + rows.back());
  }
  void setScanPanels(const std::array<std::string, 8>& texts) override { panels = texts; }
  void ReportRebuildOutcome() override { ++outcomeReports; }
  void startAutoRebuild() override { ++autoRebuildClicks; }
};

}  // namespace raidmon::test
