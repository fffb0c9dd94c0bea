// A Unix datagram socket a test binds and reads system log records from, as a log
// daemon does: a thread of its own reads every record as it comes, with the time it
// arrived.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
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
    timeval tv{0, 50 * 1000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    reader_ = std::jthread([this](std::stop_token stop) {
      char buffer[2048];
      while (!stop.stop_requested()) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n < 0) continue;
        std::lock_guard lock(mutex_);
        seen_.push_back(Record{std::string(buffer, static_cast<std::size_t>(n)), Clock::now()});
      }
    });
  }
  ~LogSocket() {
    reader_.request_stop();
    reader_.join();
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  LogSocket(const LogSocket&) = delete;
  LogSocket& operator=(const LogSocket&) = delete;

  const std::string& path() const { return path_; }

  // How many records have arrived so far.
  std::size_t count() const {
    std::lock_guard lock(mutex_);
    return seen_.size();
  }

  // The first record from the `from`-th one on that ends with `suffix`, waiting up to
  // `seconds` for it.
  std::optional<Record> waitForEnding(const std::string& suffix, int seconds, std::size_t from = 0) const {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    do {
      {
        std::lock_guard lock(mutex_);
        for (std::size_t i = from; i < seen_.size(); ++i) {
          const std::string& t = seen_[i].text;
          if (t.size() >= suffix.size() && t.compare(t.size() - suffix.size(), suffix.size(), suffix) == 0) {
            return seen_[i];
          }
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (Clock::now() < deadline);
    return std::nullopt;
  }

 private:
  std::string path_;
  int fd_ = -1;
  mutable std::mutex mutex_;
  std::vector<Record> seen_;
  std::jthread reader_;
};

}  // namespace raidmon::test
