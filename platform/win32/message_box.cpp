#include "platform/message_box.h"

#include <windows.h>

#include <string>

namespace raidmon {

void showStderrMessageBox(std::string_view caption, std::string_view text) {
  std::string line;
  line.reserve(caption.size() + text.size() + 2);
  line.append(caption).append("\n").append(text).append("\n");
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
  const char* p = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    DWORD written = 0;
    const DWORD chunk = left > 65536 ? 65536 : static_cast<DWORD>(left);
    if (!WriteFile(err, p, chunk, &written, nullptr) || written == 0) return;
    p += written;
    left -= written;
  }
}

}  // namespace raidmon

namespace raidmon {

namespace {

// Someone may answer a box: the window station is the visible, interactive one, and
// standard error is absent (a program started from the desktop) or a real console.
bool someoneCanAnswer() {
  HWINSTA station = GetProcessWindowStation();
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  if (station == nullptr ||
      !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed) ||
      (flags.dwFlags & WSF_VISIBLE) == 0) {
    return false;
  }
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return true;
  DWORD mode = 0;
  return GetConsoleMode(err, &mode) != 0;
}

}  // namespace

void showLibraryMessageBox(std::string_view caption, std::string_view text) {
  if (!someoneCanAnswer()) {
    showStderrMessageBox(caption, text);
    return;
  }
  const std::string c(caption);
  const std::string t(text);
  MessageBoxA(nullptr, t.c_str(), c.c_str(), MB_OK | MB_SETFOREGROUND);
}

}  // namespace raidmon
