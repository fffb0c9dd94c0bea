// The program's one shared control packet and the lock that keeps one exchange
// (fill, send, read the answer) whole when the GUI thread and the rebuild worker meet.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

#include "protocol/control_packet.h"

namespace raidmon {

// Any thread may call exchange(); it blocks while another exchange is open. A caller
// that must not wait without end (the GUI thread while the rebuild worker may be
// inside a stalled request) uses tryExchange() with the packet's time-out.
class SharedPacket {
 public:
  // Holds the lock for its lifetime and gives access to the packet.
  class Exchange {
   public:
    explicit Exchange(SharedPacket& owner) : lock_(owner.mutex_), packet_(owner.packet_) {}
    Exchange(std::unique_lock<std::mutex> lock, ControlPacket& packet)
        : lock_(std::move(lock)), packet_(packet) {}
    ControlPacket& packet() { return packet_; }
    ControlPacket* operator->() { return &packet_; }

   private:
    std::unique_lock<std::mutex> lock_;
    ControlPacket& packet_;
  };

  Exchange exchange() { return Exchange(*this); }

  // The exchange, or nothing when another one is still open after `wait`. It asks
  // once a millisecond (a plain mutex: the thread sanitizer follows it, and this
  // path only runs when an operator cancels or reads a file).
  std::optional<Exchange> tryExchange(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    while (!lock.owns_lock() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      lock.try_lock();
    }
    if (!lock.owns_lock()) return std::nullopt;
    return std::optional<Exchange>(std::in_place, std::move(lock), packet_);
  }

  // Unlocked access for single-threaded set-up code and tests.
  ControlPacket& unlocked() { return packet_; }

 private:
  std::mutex mutex_;
  ControlPacket packet_;
};

}  // namespace raidmon
