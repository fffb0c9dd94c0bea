// Pictures the widgets load from files beside the program (logo, node images, the
// tray icon, indicator animations), read through the core's input-file rules: only a
// regular file is opened, never waited on, and read up to a limit before Qt decodes it.
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <cstddef>

#include "platform/input_file.h"

namespace raidmon {

// A picture file beside the program is at most this large (the delivered ones are a
// few kilobytes).
inline constexpr std::size_t kMaxPictureFileSize = 16u * 1024u * 1024u;

// The file's bytes, or an empty array with `status` saying why (a file over `maxBytes`
// gives kTooLarge).
QByteArray readPictureBytes(const QString& path, InputFileStatus* status = nullptr,
                            std::size_t maxBytes = kMaxPictureFileSize);

// The picture, or a null pixmap when the file cannot be read or decoded.
QPixmap loadPicture(const QString& path);

// Every image of an icon file as one icon; null when there is none.
QIcon loadIcon(const QString& path, InputFileStatus* status = nullptr);

}  // namespace raidmon
