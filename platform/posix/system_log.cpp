#include "platform/system_log.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace raidmon {

namespace {

constexpr const char* kIdent = "raidmond";
// How long a record waits for room in a full socket queue before it is dropped.
constexpr int kSendWaitMs = 500;

class SyslogDaemon final : public SystemLog {
 public:
  SyslogDaemon() { ::openlog(kIdent, LOG_PID, LOG_DAEMON); }
  ~SyslogDaemon() override { ::closelog(); }
  void send(LogSeverity severity, std::string_view message) override {
    const std::string text(message);
    ::syslog(static_cast<int>(severity), "%s", text.c_str());
  }
};

class DatagramLog final : public SystemLog {
 public:
  DatagramLog(int fd, const sockaddr_un& to) : fd_(fd), to_(to) {}
  ~DatagramLog() override { ::close(fd_); }
  void send(LogSeverity severity, std::string_view message) override {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    // RFC 3164's TIMESTAMP: "Mmm dd hh:mm:ss", the day padded with a blank.
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::snprintf(stamp, sizeof stamp, "%s %2d %02d:%02d:%02d", kMonths[tm.tm_mon % 12], tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    std::string record = "<" + std::to_string(syslogPriority(severity)) + ">" + stamp + " " + kIdent +
                         "[" + std::to_string(::getpid()) + "]: ";
    record += message;
    // A reader that has fallen behind gets a moment to catch up (the socket's send
    // time-out), then the record is dropped.
    ::sendto(fd_, record.data(), record.size(), MSG_NOSIGNAL,
             reinterpret_cast<const sockaddr*>(&to_), sizeof to_);
  }

 private:
  int fd_;
  sockaddr_un to_;
};

}  // namespace

Result<std::unique_ptr<SystemLog>> openSystemLog() {
  static_assert(LOG_DAEMON == (3 << 3), "the daemon facility as syslogPriority gives it");
  return std::unique_ptr<SystemLog>(std::make_unique<SyslogDaemon>());
}

Result<std::unique_ptr<SystemLog>> openDatagramLog(const std::string& path) {
  sockaddr_un to{};
  to.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof to.sun_path) {
    return Unexpected("the log socket path must have 1 to " + std::to_string(sizeof to.sun_path - 1) +
                      " characters: " + path);
  }
  std::memcpy(to.sun_path, path.data(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Unexpected("cannot make a socket for the log: " + std::string(std::strerror(errno)));
  const timeval wait{0, kSendWaitMs * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
  return std::unique_ptr<SystemLog>(std::make_unique<DatagramLog>(fd, to));
}

}  // namespace raidmon
