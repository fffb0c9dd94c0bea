#include "ui/common/qt_input.h"

#include <QBuffer>
#include <QImageReader>
#include <string>

#include "ui/common/qt_text.h"

namespace raidmon {

QByteArray readPictureBytes(const QString& path, InputFileStatus* status, std::size_t maxBytes) {
  std::string bytes;
  const InputFileStatus s = readInputFile(str(path), maxBytes, bytes);
  if (status) *status = s;
  if (s != InputFileStatus::kOk) return {};
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QPixmap loadPicture(const QString& path) {
  QPixmap pm;
  const QByteArray bytes = readPictureBytes(path);
  if (!bytes.isEmpty()) pm.loadFromData(bytes);
  return pm;
}

QIcon loadIcon(const QString& path, InputFileStatus* status) {
  QByteArray bytes = readPictureBytes(path, status);
  QIcon icon;
  if (bytes.isEmpty()) return icon;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  // An icon file holds one image per size; a hostile count stops at the first failure.
  for (int i = 0; i < 64; ++i) {
    const QImage image = reader.read();
    if (image.isNull()) break;
    icon.addPixmap(QPixmap::fromImage(image));
    if (!reader.jumpToNextImage()) break;
  }
  return icon;
}

}  // namespace raidmon
