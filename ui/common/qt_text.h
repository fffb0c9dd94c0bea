// Conversions between the core's UTF-8 std::string texts and Qt strings, and the
// plain-text rule for labels.
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

namespace raidmon {

inline QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }
// The controller's fixed-width texts (model, serial) are bytes, not UTF-8.
inline QString latin(std::string_view s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }
inline std::string str(const QString& s) { return s.toStdString(); }

// Makes every label under `root` show its text as it stands. A label's automatic
// format would read text that looks like markup as rich text, and rich text may load
// images ("<img src=...>") or show links: settings, skins and controller answers are
// anyone's to write, so no label of the program interprets them.
inline void plainTextLabels(QWidget* root) {
  for (QLabel* label : root->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
  if (auto* self = qobject_cast<QLabel*>(root)) self->setTextFormat(Qt::PlainText);
}

}  // namespace raidmon
