#include "ui/flash/flash_update_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFrame>

#include "ui/common/qt_dialogs.h"
#include "ui/common/qt_text.h"

namespace raidmon {

void QtMessageWaiter::WaitWithMessages(int seconds, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  const qint64 total = static_cast<qint64>(seconds) * 1000 + milliseconds;
  while (clock.elapsed() < total) {
    QApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(std::min<qint64>(10, total - clock.elapsed())));
  }
}

namespace {

QLineEdit* readOnlyField(QWidget* parent, const char* name, int x, int y, int w) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setReadOnly(true);
  e->setGeometry(x, y, w, 24);
  return e;
}

QLabel* text(QWidget* parent, const char* t, int x, int y, int w) {
  auto* l = new QLabel(QString::fromLatin1(t), parent);
  l->setGeometry(x, y, w, 24);
  return l;
}

}  // namespace

FlashUpdateDialog::FlashUpdateDialog(QWidget* parent) : QDialog(parent, Qt::Window) {
  setObjectName("Flash_512_Update_form");
  setWindowTitle(QStringLiteral("Flash Rom Update"));
  setModal(false);
  setFixedSize(440, 250);
  text(this, "FLASH ROM :", 16, 14, 90);
  Flash_Name = text(this, "", 110, 14, 300);
  Flash_Name->setObjectName("Flash_Name");
  QFont bold = Flash_Name->font();
  bold.setBold(true);
  Flash_Name->setFont(bold);

  Flash_filename = new QLineEdit(QStringLiteral("Flash Filename"), this);
  Flash_filename->setObjectName("Flash_filename");
  Flash_filename->setGeometry(16, 48, 300, 26);
  File_Select = new QPushButton(QStringLiteral("File Select"), this);
  File_Select->setObjectName("File_Select");
  File_Select->setGeometry(324, 47, 100, 28);

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(16, 84, 408, 4);
  text(this, "  FILE Load CheckSum :", 16, 96, 160);
  F_CheckSum = readOnlyField(this, "F_CheckSum", 180, 96, 80);
  text(this, "Total Blk :", 272, 96, 70);
  Total_Read_Block = readOnlyField(this, "Total_Read_Block", 344, 96, 80);
  text(this, "  Download CheckSum :", 16, 128, 160);
  D_CheckSum = readOnlyField(this, "D_CheckSum", 180, 128, 80);
  text(this, "Total Blk :", 272, 128, 70);
  D_Total_Block = readOnlyField(this, "D_Total_Block", 344, 128, 80);

  Flash_Status_Bar = new QProgressBar(this);
  Flash_Status_Bar->setObjectName("Flash_Status_Bar");
  Flash_Status_Bar->setRange(0, 100);
  Flash_Status_Bar->setValue(0);
  Flash_Status_Bar->setGeometry(16, 168, 408, 22);
  Update_Start_Button = new QPushButton(QStringLiteral("Flash ROM Update"), this);
  Update_Start_Button->setObjectName("Update_Start_Button");
  Update_Start_Button->setGeometry(150, 204, 140, 32);

  connect(File_Select, &QPushButton::clicked, this, [this] {
    guarded([this] {
      if (update_) update_->selectFile();
    });
  });
  connect(Update_Start_Button, &QPushButton::clicked, this, [this] {
    guarded([this] {
      if (update_) update_->runUpdate();
    });
  });
  plainTextLabels(this);  // texts from files and the controller are never markup
}

void FlashUpdateDialog::runUnattended(const std::string& imagePath) {
  show();
  unattendedFile_ = imagePath;
  File_Select->click();
  unattendedFile_.reset();
  Update_Start_Button->click();
}

std::string FlashUpdateDialog::filename() const { return str(Flash_filename->text()); }
void FlashUpdateDialog::setFilename(std::string_view path) { Flash_filename->setText(qs(path)); }

std::optional<std::string> FlashUpdateDialog::chooseFile(std::string_view filter) {
  if (unattendedFile_) return unattendedFile_;
  // "Flash Rom File (*.bin)|*.Bin": the description, then the pattern.
  const QString f = qs(filter);
  const QString qtFilter = f.section(QLatin1Char('|'), 0, 0);
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(),
                                                    qtFilter + QStringLiteral(";;All files (*)"));
  if (path.isEmpty()) return std::nullopt;
  return str(path);
}

void FlashUpdateDialog::setFlashName(std::string_view t) { Flash_Name->setText(qs(t)); }
void FlashUpdateDialog::setFileChecksum(std::string_view t) { F_CheckSum->setText(qs(t)); }
void FlashUpdateDialog::setTotalReadBlock(std::string_view t) { Total_Read_Block->setText(qs(t)); }
void FlashUpdateDialog::setDownloadChecksum(std::string_view t) { D_CheckSum->setText(qs(t)); }
void FlashUpdateDialog::setDownloadBlocks(std::string_view t) { D_Total_Block->setText(qs(t)); }
void FlashUpdateDialog::setStatusBar(int value) { Flash_Status_Bar->setValue(std::clamp(value, 0, 100)); }
void FlashUpdateDialog::setStartEnabled(bool enabled) { Update_Start_Button->setEnabled(enabled); }

void FlashUpdateDialog::setFileSelectEnabled(bool enabled) { File_Select->setEnabled(enabled); }

void FlashUpdateDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (update_ && biosLabel) guarded([this] { update_->prepare(biosLabel()); });
}

}  // namespace raidmon
