#include "platform/message_box.h"

#include <unistd.h>

#include <cerrno>

#include <string>

namespace raidmon {

void showStderrMessageBox(std::string_view caption, std::string_view text) {
  std::string line;
  line.reserve(caption.size() + text.size() + 2);
  line.append(caption).append("\n").append(text).append("\n");
  const char* p = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    const ssize_t n = write(STDERR_FILENO, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace raidmon

namespace raidmon {

void showLibraryMessageBox(std::string_view caption, std::string_view text) {
  showStderrMessageBox(caption, text);
}

}  // namespace raidmon
