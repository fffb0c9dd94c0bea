#include "ui/forms.h"

#include "ui/common/qt_text.h"

namespace raidmon {

Forms::Forms(Monitor& monitor, FormsOptions options) : monitor_(monitor) {
  // Dialogs recorded or answered from the very start (start-up has its own boxes).
  if (options.transcript || options.answerDialogs) {
    dialogsTranscript_ = std::make_unique<DialogsTranscript>(plainDialogs_, options.transcript, options.answerDialogs);
    guardedErrors_ = std::make_unique<GuardedErrorsTo>(dialogsTranscript_.get());
  }
  Form1 = std::make_unique<TForm1>(monitor, nullptr, dialogsTranscript_.get());
  Msgbox_form = std::make_unique<TMsgbox_form>();
  Flash_512_Update_form = std::make_unique<TFlash_512_Update_form>();
  Debug_Form = std::make_unique<TDebug_Form>(monitor);
  K4M_Info_form = std::make_unique<TK4M_Info_form>(monitor);
  ScanBus_Form = std::make_unique<TScanBus_Form>();

  rebuildContext = std::make_unique<QObject>();
  rebuildExecutor = std::make_unique<QtGuiExecutor>(rebuildContext.get());
  rebuild = std::make_unique<RebuildControl>(monitor, *rebuildExecutor);
  rebuild->setPage(*K4M_Info_form);

  MonitorViews views;
  views.menu = Form1.get();
  views.indicators = Form1.get();
  views.window = Form1.get();
  views.timer = &Form1->pollTimer();
  views.dialogs = &Form1->dialogs();
  views.tree = K4M_Info_form.get();
  views.debug = Debug_Form.get();
  views.scan = ScanBus_Form.get();
  views.notice = Msgbox_form.get();
  views.grid = K4M_Info_form.get();
  views.rebuild = rebuild.get();
  if (options.transcript) {
    noticeTranscript_ = std::make_unique<NoticeTranscript>(*views.notice, *options.transcript);
    gridTranscript_ = std::make_unique<EventGridTranscript>(*views.grid, *options.transcript);
    debugTranscript_ = std::make_unique<DebugTranscript>(*views.debug, *options.transcript);
    views.notice = noticeTranscript_.get();
    views.grid = gridTranscript_.get();
    views.debug = debugTranscript_.get();
  }
  monitor.setViews(views);

  flash = std::make_unique<FlashUpdate>(monitor, *Flash_512_Update_form, flashWaiter);
  Flash_512_Update_form->setUpdate(flash.get());
  Flash_512_Update_form->biosLabel = [this] { return str(K4M_Info_form->BIOS_LABEL->text()); };

  RebuildControl* control = rebuild.get();
  TK4M_Info_form& dialog = *K4M_Info_form;
  dialog.onRebuildSelection = [control](int abs, int arrayNode, const std::string& label, int array) {
    control->SelectRebuildSource(abs, arrayNode, label, array);
  };
  dialog.onShow = [control] { control->preparePage(); };
  dialog.onClose = [control] { control->dialogClosing(); };
  dialog.Rebuild_StartClick = [control] { control->Rebuild_StartClick(); };
  dialog.Rebuild_CancelClick = [control] { control->Rebuild_CancelClick(); };
  dialog.AutoRebuildClick = [control] { control->AutoRebuildClick(); };


  ScanBus_Form->DisableHddClick = [&monitor] { monitor.rescanNow(); };


  TForm1::Commands commands;
  commands.showMonitorDialog = [this] {
    K4M_Info_form->show();
    K4M_Info_form->raise();
    K4M_Info_form->activateWindow();
  };
  commands.setMonitorPage = [this](int page) { K4M_Info_form->Info_Tab_Note->setCurrentIndex(page); };
  commands.showFlashDialog = [this] {
    Flash_512_Update_form->show();
    Flash_512_Update_form->raise();
  };
  commands.showDebugForm = [this] { Debug_Form->DebugForm1Click(); };
  commands.showScanTables = [this] { ScanBus_Form->showTables(); };
  commands.scanHdd = [&monitor] { monitor.rescanNow(); };
  commands.rebuildComplete = [this] { rebuild->RebuildComplete1Click(); };
  commands.rebuildSizeValue = [this] { rebuild->RebuildSizeValue1Click(); };
  commands.rebuildSizeCheck = [this] { rebuild->RebuildSizeCheck1Click(); };
  Form1->setCommands(std::move(commands));
}

Forms::~Forms() {
  Form1->Sec_Timer.stop();
  rebuild.reset();          // stops and joins a running worker
  rebuildContext.reset();   // drops what it left queued
  monitor_.setViews({});    // the forms go next
}

void Forms::showMain() {
  if (!Form1->closing()) Form1->show();
}

}  // namespace raidmon
