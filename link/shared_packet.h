// The program's one shared control packet and the lock that keeps one exchange
// (fill, send, read the answer) whole when the GUI thread and the rebuild worker meet.
#pragma once

#include <mutex>

#include "link/control_packet.h"

namespace raidmon {

// Any thread may call exchange(); it blocks while another exchange is open.
class SharedPacket {
 public:
  // Holds the lock for its lifetime and gives access to the packet.
  class Exchange {
   public:
    explicit Exchange(SharedPacket& owner) : lock_(owner.mutex_), packet_(owner.packet_) {}
    ControlPacket& packet() { return packet_; }
    ControlPacket* operator->() { return &packet_; }

   private:
    std::unique_lock<std::mutex> lock_;
    ControlPacket& packet_;
  };

  Exchange exchange() { return Exchange(*this); }

  // Unlocked access for single-threaded set-up code and tests.
  ControlPacket& unlocked() { return packet_; }

 private:
  std::mutex mutex_;
  ControlPacket packet_;
};

}  // namespace raidmon
