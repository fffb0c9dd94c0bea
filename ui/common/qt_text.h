// Conversions between the core's UTF-8 std::string texts and Qt strings.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace raidmon {

inline QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }
// The controller's fixed-width texts (model, serial) are bytes, not UTF-8.
inline QString latin(std::string_view s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }
inline std::string str(const QString& s) { return s.toStdString(); }

}  // namespace raidmon
