#include "ui/flash/tflash_512_update_form.h"

namespace raidmon {

TFlash_512_Update_form::TFlash_512_Update_form(QWidget* parent) : QDialog(parent, Qt::Window) {
  setObjectName("Flash_512_Update_form");
  setWindowTitle(QStringLiteral("Flash Rom Update"));
  setModal(false);
  resize(420, 260);
}

}  // namespace raidmon
