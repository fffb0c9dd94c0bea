// The flash dialog "Flash Rom Update": choose an image file, program and verify it.
#pragma once

#include <QDialog>

namespace raidmon {

class TFlash_512_Update_form final : public QDialog {
  Q_OBJECT
 public:
  explicit TFlash_512_Update_form(QWidget* parent = nullptr);
};

}  // namespace raidmon
