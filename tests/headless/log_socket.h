// A Unix datagram socket a test binds and reads system log records from, each with
// the time it arrived.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace raidmon::test {

class LogSocket {
 public:
  using Clock = std::chrono::steady_clock;
  struct Record {
    std::string text;
    Clock::time_point arrived;
  };

  explicit LogSocket(const std::string& path) : path_(path) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (fd_ < 0 || path.size() >= sizeof addr.sun_path) throw std::runtime_error("no log socket " + path);
    std::memcpy(addr.sun_path, path.data(), path.size());
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      throw std::runtime_error("cannot bind " + path);
    }
  }
  ~LogSocket() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  LogSocket(const LogSocket&) = delete;
  LogSocket& operator=(const LogSocket&) = delete;

  const std::string& path() const { return path_; }

  // The next record, waiting up to `wait`.
  std::optional<Record> next(std::chrono::milliseconds wait) {
    timeval tv{static_cast<time_t>(wait.count() / 1000), static_cast<suseconds_t>(wait.count() % 1000 * 1000)};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    char buffer[2048];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0) return std::nullopt;
    return Record{std::string(buffer, static_cast<std::size_t>(n)), Clock::now()};
  }

  // The first record, among those read so far and those still to come (up to
  // `seconds`), that ends with `suffix`.
  std::optional<Record> waitForEnding(const std::string& suffix, int seconds) {
    const auto ends = [&suffix](const std::string& t) {
      return t.size() >= suffix.size() && t.compare(t.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    for (const Record& r : seen_) {
      if (ends(r.text)) return r;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < deadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      auto record = next(std::max(left, std::chrono::milliseconds(1)));
      if (!record) return std::nullopt;
      seen_.push_back(*record);
      if (ends(record->text)) return record;
    }
    return std::nullopt;
  }

 private:
  std::string path_;
  int fd_ = -1;
  std::vector<Record> seen_;
};

}  // namespace raidmon::test
