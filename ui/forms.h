// The program's six forms, created once in the system's order and wired to the core;
// they live until the program ends.
#pragma once

#include <memory>

#include "monitor/monitor.h"
#include "monitor/alert_sink.h"
#include "monitor/transcript.h"
#include "ui/common/qt_dialogs.h"
#include "rebuild/rebuild_control.h"
#include "ui/common/qt_gui_executor.h"
#include "ui/diag/debug_window.h"
#include "ui/diag/notice_box.h"
#include "ui/diag/scan_bus_window.h"
#include "ui/flash/flash_update_dialog.h"
#include "ui/main/status_window.h"
#include "ui/main/tray_alerts.h"
#include "ui/monitor/monitor_dialog.h"

namespace raidmon {

// How a run is watched from outside: a transcript of what the operator is shown, and
// dialogs answered by the program itself (confirmations OK, input boxes their default).
struct FormsOptions {
  Transcript* transcript = nullptr;
  bool answerDialogs = false;
  // The event history, which gets every notice and event row too (none when null).
  LineRecorder* history = nullptr;
  // Where drive events and rebuild and flash outcomes go besides the screen (none
  // when null); while the window is in the tray they also show as tray messages.
  AlertSink* alerts = nullptr;
};

class Forms {
 public:
  // Creates the status window (which runs start-up), then the message box, the flash
  // dialog, the debugging form, the Monitor dialog and the scan form, and hands them to
  // the core.
  explicit Forms(Monitor& monitor, FormsOptions options = {});
  ~Forms();

  // Shows the status window unless start-up closed it; the first showing starts
  // monitoring.
  void showMain();

  // The forms in creation order; each carries the system's form name as its object name.
  std::unique_ptr<StatusWindow> statusWindow;        // Form1
  std::unique_ptr<NoticeBox> noticeBox;              // Msgbox_form
  std::unique_ptr<FlashUpdateDialog> flashDialog;    // Flash_512_Update_form
  std::unique_ptr<DebugWindow> debugWindow;          // Debug_Form
  std::unique_ptr<MonitorDialog> monitorDialog;      // K4M_Info_form
  std::unique_ptr<ScanBusWindow> scanBusWindow;      // ScanBus_Form
  // The rebuild control, and the event-loop queue its worker reports through.
  std::unique_ptr<QObject> rebuildContext;
  std::unique_ptr<QtGuiExecutor> rebuildExecutor;
  std::unique_ptr<RebuildControl> rebuild;
  QtMessageWaiter flashWaiter;
  std::unique_ptr<FlashUpdate> flash;

 private:
  // The steps of construction, in the order they run.
  void createForms(const FormsOptions& options);  // the forms and the rebuild control
  void wireViews(const FormsOptions& options);  // the forms handed to the core as its views
  void createFlashUpdate();
  void wireRebuildPage();  // the Monitor dialog's rebuild page to the rebuild control
  void wireMenuCommands();  // the status window's menu to the forms and the core

  Monitor& monitor_;
  std::unique_ptr<NoticeTranscript> noticeTranscript_;
  std::unique_ptr<EventGridTranscript> gridTranscript_;
  std::unique_ptr<DebugTranscript> debugTranscript_;
  std::unique_ptr<NoticeTranscript> noticeHistory_;
  std::unique_ptr<EventGridTranscript> gridHistory_;
  std::unique_ptr<TrayAlerts> trayAlerts_;
  QtDialogs plainDialogs_;
  std::unique_ptr<DialogsTranscript> dialogsTranscript_;
  // Errors caught at an event's edge go through the recorded dialogs too.
  std::unique_ptr<GuardedErrorsTo> guardedErrors_;
};

}  // namespace raidmon
