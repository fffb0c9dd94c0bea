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
