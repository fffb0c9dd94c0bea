#include "ui/forms.h"

#include "ui/common/qt_text.h"

namespace raidmon {

Forms::Forms(Monitor& monitor, FormsOptions options) : monitor_(monitor) {
  createForms(options);
  wireViews(options);
  createFlashUpdate();
  wireRebuildPage();
  scanBusWindow->DisableHddClick = [&monitor] { monitor.rescanNow(); };
  wireMenuCommands();
}

void Forms::createForms(const FormsOptions& options) {
  // Dialogs recorded or answered from the very start (start-up has its own boxes).
  if (options.transcript || options.answerDialogs) {
    dialogsTranscript_ = std::make_unique<DialogsTranscript>(plainDialogs_, options.transcript, options.answerDialogs);
    guardedErrors_ = std::make_unique<GuardedErrorsTo>(dialogsTranscript_.get());
  }
  statusWindow = std::make_unique<StatusWindow>(monitor_, nullptr, dialogsTranscript_.get());
  noticeBox = std::make_unique<NoticeBox>();
  flashDialog = std::make_unique<FlashUpdateDialog>();
  debugWindow = std::make_unique<DebugWindow>(monitor_);
  monitorDialog = std::make_unique<MonitorDialog>(monitor_);
  scanBusWindow = std::make_unique<ScanBusWindow>();

  rebuildContext = std::make_unique<QObject>();
  rebuildExecutor = std::make_unique<QtGuiExecutor>(rebuildContext.get());
  rebuild = std::make_unique<RebuildControl>(monitor_, *rebuildExecutor);
  rebuild->setPage(*monitorDialog);
}

void Forms::wireViews(const FormsOptions& options) {
  Transcript* transcript = options.transcript;
  MonitorViews views;
  views.menu = statusWindow.get();
  views.indicators = statusWindow.get();
  views.window = statusWindow.get();
  views.timer = &statusWindow->pollTimer();
  views.dialogs = &statusWindow->dialogs();
  views.tree = monitorDialog.get();
  views.debug = debugWindow.get();
  views.scan = scanBusWindow.get();
  views.notice = noticeBox.get();
  views.grid = monitorDialog.get();
  views.rebuild = rebuild.get();
  if (transcript) {
    noticeTranscript_ = std::make_unique<NoticeTranscript>(*views.notice, *transcript);
    gridTranscript_ = std::make_unique<EventGridTranscript>(*views.grid, *transcript);
    debugTranscript_ = std::make_unique<DebugTranscript>(*views.debug, *transcript);
    views.notice = noticeTranscript_.get();
    views.grid = gridTranscript_.get();
    views.debug = debugTranscript_.get();
  }
  if (options.history) {
    noticeHistory_ = std::make_unique<NoticeTranscript>(*views.notice, *options.history);
    gridHistory_ = std::make_unique<EventGridTranscript>(*views.grid, *options.history);
    views.notice = noticeHistory_.get();
    views.grid = gridHistory_.get();
  }
  StatusWindow* window = statusWindow.get();
  trayAlerts_ = std::make_unique<TrayAlerts>(
      options.alerts ? *options.alerts : nullAlertSink(),
      [window] {
        return window->trayIcon() && window->trayIcon()->isVisible() && QSystemTrayIcon::supportsMessages();
      },
      [window](const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon) {
        window->trayIcon()->showMessage(title, text, icon);
      });
  views.alerts = trayAlerts_.get();
  monitor_.setViews(views);
}

void Forms::createFlashUpdate() {
  flash = std::make_unique<FlashUpdate>(monitor_, *flashDialog, flashWaiter);
  flashDialog->setUpdate(flash.get());
  flashDialog->biosLabel = [this] { return str(monitorDialog->BIOS_LABEL->text()); };
}

void Forms::wireRebuildPage() {
  RebuildControl* control = rebuild.get();
  MonitorDialog& dialog = *monitorDialog;
  dialog.onRebuildSelection = [control](int abs, int arrayNode, const std::string& label, int array) {
    control->selectSource(abs, arrayNode, label, array);
  };
  dialog.onShow = [control] { control->preparePage(); };
  dialog.onClose = [control] { control->dialogClosing(); };
  dialog.startRebuild = [control] { control->startRebuild(); };
  dialog.cancelRebuild = [control] { control->cancelRebuild(); };
  dialog.startAutoRebuild = [control] { control->startAutoRebuild(); };
}

void Forms::wireMenuCommands() {
  StatusWindow::Commands commands;
  commands.showMonitorDialog = [this] {
    monitorDialog->show();
    monitorDialog->raise();
    monitorDialog->activateWindow();
  };
  commands.setMonitorPage = [this](int page) { monitorDialog->Info_Tab_Note->setCurrentIndex(page); };
  commands.showFlashDialog = [this] {
    flashDialog->show();
    flashDialog->raise();
  };
  commands.showDebugForm = [this] { debugWindow->DebugForm1Click(); };
  commands.showScanTables = [this] { scanBusWindow->showTables(); };
  commands.scanHdd = [&monitor = monitor_] { monitor.rescanNow(); };
  commands.rebuildComplete = [this] { rebuild->markRebuildComplete(); };
  commands.rebuildSizeValue = [this] { rebuild->askRebuildSize(); };
  commands.rebuildSizeCheck = [this] { rebuild->toggleRebuildSize(); };
  statusWindow->setCommands(std::move(commands));
}

Forms::~Forms() {
  statusWindow->Sec_Timer.stop();
  rebuild.reset();          // stops and joins a running worker
  rebuildContext.reset();   // drops what it left queued
  monitor_.setViews({});    // the forms go next
}

void Forms::showMain() {
  if (!statusWindow->closing()) statusWindow->show();
}

}  // namespace raidmon
