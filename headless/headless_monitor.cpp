#include "headless/headless_monitor.h"

#include <exception>

namespace raidmon {

namespace {

class NoDebugForm final : public DebugView {
 public:
  void addTrace(std::string_view) override {}
  void setPlugLabel(std::string_view) override {}
  void fillDebugGrid() override {}
};

}  // namespace

ViewChain assembleViewChain(const HeadlessOutputs& outputs) {
  ViewChain chain;
  // Innermost: the screens nobody looks at, and dialogs that answer themselves.
  chain.notice = chain.own<NoNoticeBox>();
  chain.grid = chain.own<NoEventGrid>();
  chain.debug = chain.own<NoDebugForm>();
  chain.dialogs = chain.own<HeadlessDialogs>(outputs.log);
  chain.page = &nullRebuildPage();

  // Standard output: notices and rows, one line each in the transcript's format.
  chain.wrapNotice<NoticeTranscript>(outputs.standardOutput);
  chain.wrapGrid<EventGridTranscript>(outputs.standardOutput);
  // The system log: notices and rows, by severity.
  LineRecorder* log = chain.own<LogRecorder>(outputs.log);
  chain.wrapNotice<NoticeTranscript>(*log);
  chain.wrapGrid<EventGridTranscript>(*log);
  // The history file: notices and rows, as raidmon keeps them.
  if (outputs.history) {
    chain.wrapNotice<NoticeTranscript>(*outputs.history);
    chain.wrapGrid<EventGridTranscript>(*outputs.history);
  }
  // --transcript: everything raidmon's transcript holds, in its order (with
  // --transcript=- the notices and rows are already on standard output).
  if (outputs.transcript) {
    if (outputs.transcript != &outputs.standardOutput) {
      chain.wrapNotice<NoticeTranscript>(*outputs.transcript);
      chain.wrapGrid<EventGridTranscript>(*outputs.transcript);
    }
    chain.wrapDebug<DebugTranscript>(*outputs.transcript);
    // Recorded, then answered by the headless dialogs inside.
    chain.wrapDialogs<DialogsTranscript>(outputs.transcript, false);
  }
  return chain;
}

HeadlessMonitor::HeadlessMonitor(Monitor& monitor, const HeadlessOutputs& outputs, const AppOptions& options)
    : monitor_(monitor), options_(options), chain_(assembleViewChain(outputs)) {
  loop_.catchTerminationSignals();
  loop_.setGuard([this](const std::function<void()>& step) { guarded(step); });
  loop_.setTick([this] { monitor_.pollOnce(); });
  window_ = std::make_unique<HeadlessWindow>(
      monitor, [this] { loop_.quit(); }, [this] { rebuild_->preparePage(); });
  rebuild_ = std::make_unique<RebuildControl>(monitor, loop_);
  rebuild_->setPage(*chain_.page);

  MonitorViews views;
  views.window = window_.get();
  views.timer = &loop_.timer();
  views.dialogs = chain_.dialogs;
  views.debug = chain_.debug;
  views.notice = chain_.notice;
  views.grid = chain_.grid;
  views.rebuild = rebuild_.get();
  views.alerts = outputs.alerts;
  monitor_.setViews(views);
}

HeadlessMonitor::~HeadlessMonitor() {
  loop_.timer().setEnabled(false);
  rebuild_.reset();       // stops and joins a running worker
  loop_.discardPosted();  // what it reported to is gone
  monitor_.setViews({});
}

void HeadlessMonitor::guarded(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& e) {
    chain_.dialogs->errorBox(e.what());
  } catch (...) {
    chain_.dialogs->errorBox("Unexpected error");
  }
}

int HeadlessMonitor::run() {
  // The window's creation (start-up), the options the program applies once the forms
  // exist, then the window's first showing (the start of monitoring).
  guarded([this] { monitor_.start(); });
  if (options_.loopTimeMs > 0) monitor_.setLoopTime(options_.loopTimeMs);
  if (options_.quitAfterMs > 0) loop_.quitAfter(std::chrono::milliseconds(options_.quitAfterMs));
  if (!window_->closed()) guarded([this] { monitor_.startMonitoring(); });
  if (!window_->closed()) {
    loop_.run();
    finish();
  }
  return monitor_.startFailed() ? kExitNoController : 0;
}

void HeadlessMonitor::finish() {
  loop_.timer().setEnabled(false);
  // What the worker has already reported is taken first: a rebuild that has just
  // ended is not cancelled.
  loop_.runPosted();
  // A rebuild must not be left half done: it is cancelled as the operator cancels it
  // (the confirmation answered OK), so the controller hears of it and the row is written.
  if (monitor_.state().RebuildState == RebuildState::Running) {
    guarded([this] { rebuild_->cancelRebuild(); });
  }
}

}  // namespace raidmon
