// raidmond's run: the core as raidmon drives it (start-up, the start of monitoring,
// the poll cycle, automatic rebuilds), with the views of headless_views.h and the
// event loop of event_loop.h in place of windows and the window system's loop.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/app_options.h"
#include "headless/event_loop.h"
#include "headless/headless_views.h"
#include "platform/system_log.h"
#include "monitor/monitor.h"
#include "monitor/transcript.h"
#include "rebuild/rebuild_control.h"

namespace raidmon {

// Where a headless run reports.
struct HeadlessOutputs {
  Transcript& standardOutput;       // every notice and event row
  Transcript* transcript = nullptr;  // --transcript: everything, traces and dialogs too
  SystemLog& log;                   // every notice and event row, by severity
  LineRecorder* history = nullptr;   // the event history: every notice and event row
  AlertSink* alerts = nullptr;       // drive events and outcomes, for the alert program
};

// The views the core reports through, each the outermost of a chain of layers: a
// layer does its part and hands the call on to the layer inside it. The chain owns
// its layers.
class ViewChain {
 public:
  NoticeView* notice = nullptr;
  EventGridView* grid = nullptr;
  DebugView* debug = nullptr;
  Dialogs* dialogs = nullptr;
  RebuildPageView* page = nullptr;

  // Makes a view the chain owns (an innermost view).
  template <class View, class... Args>
  View* own(Args&&... args) {
    auto view = std::make_shared<View>(std::forward<Args>(args)...);
    layers_.push_back(view);
    return view.get();
  }
  // Puts a layer around the current notice view (or row, trace, dialog view): the
  // layer is constructed as Layer(inner, args...) and becomes the outermost.
  template <class Layer, class... Args>
  void wrapNotice(Args&&... args) { notice = own<Layer>(*notice, std::forward<Args>(args)...); }
  template <class Layer, class... Args>
  void wrapGrid(Args&&... args) { grid = own<Layer>(*grid, std::forward<Args>(args)...); }
  template <class Layer, class... Args>
  void wrapDebug(Args&&... args) { debug = own<Layer>(*debug, std::forward<Args>(args)...); }
  template <class Layer, class... Args>
  void wrapDialogs(Args&&... args) { dialogs = own<Layer>(*dialogs, std::forward<Args>(args)...); }
  template <class Layer, class... Args>
  void wrapPage(Args&&... args) { page = own<Layer>(*page, std::forward<Args>(args)...); }

 private:
  std::vector<std::shared_ptr<void>> layers_;
};

// THE place where raidmond's views are put together: what each notice, event row,
// trace line and dialog passes through on its way out.
ViewChain assembleViewChain(const HeadlessOutputs& outputs);

class HeadlessMonitor {
 public:
  // Catches SIGTERM and SIGINT from here on.
  HeadlessMonitor(Monitor& monitor, const HeadlessOutputs& outputs, const AppOptions& options);
  // Stops a rebuild worker still running and hands the monitor back its do-nothing views.
  ~HeadlessMonitor();
  HeadlessMonitor(const HeadlessMonitor&) = delete;
  HeadlessMonitor& operator=(const HeadlessMonitor&) = delete;

  // Start-up, then monitoring until SIGTERM, SIGINT or --quit-after ends it (a running
  // rebuild is cancelled through the operator's cancel, answered OK) or start-up found
  // no controller. The exit status: 0, or kExitNoController.
  int run();

  EventLoop& loop() { return loop_; }
  RebuildControl& rebuild() { return *rebuild_; }

 private:
  // Runs `step`; what it throws is reported as an error box (standard error, the log,
  // the transcript) and monitoring goes on.
  void guarded(const std::function<void()>& step);
  // The end: no more ticks, a running rebuild cancelled.
  void finish();

  Monitor& monitor_;
  AppOptions options_;
  EventLoop loop_;
  ViewChain chain_;
  std::unique_ptr<HeadlessWindow> window_;
  std::unique_ptr<RebuildControl> rebuild_;
};

}  // namespace raidmon
