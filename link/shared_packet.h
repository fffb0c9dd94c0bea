// The program's one shared control packet and the lock that keeps one exchange
// (fill, send, read the answer) whole when the GUI thread and the rebuild worker meet.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>

#include "link/control_packet.h"

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
    Exchange(std::unique_lock<std::timed_mutex> lock, ControlPacket& packet)
        : lock_(std::move(lock)), packet_(packet) {}
    ControlPacket& packet() { return packet_; }
    ControlPacket* operator->() { return &packet_; }

   private:
    std::unique_lock<std::timed_mutex> lock_;
    ControlPacket& packet_;
  };

  Exchange exchange() { return Exchange(*this); }

  // The exchange, or nothing when another one is still open after `wait`.
  std::optional<Exchange> tryExchange(std::chrono::milliseconds wait) {
    std::unique_lock<std::timed_mutex> lock(mutex_, wait);
    if (!lock.owns_lock()) return std::nullopt;
    return std::optional<Exchange>(std::in_place, std::move(lock), packet_);
  }

  // Unlocked access for single-threaded set-up code and tests.
  ControlPacket& unlocked() { return packet_; }

 private:
  std::timed_mutex mutex_;
  ControlPacket packet_;
};

}  // namespace raidmon
