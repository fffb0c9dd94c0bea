// The client side of k4emu's socket: a connection that carries one request at a time,
// the NT storage stack over it, and the ASPI backend that forwards CDB 0x77 requests.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/socket_protocol.h"
#include "platform/aspi32/aspi32.h"
#include "platform/nt_storage_stack.h"
#include "platform/result.h"

namespace raidmon::emu {

// One connection to a k4emu server. Thread-safe: each request holds the connection
// for its send and its answer. Once the connection is lost (the server went away,
// an answer was malformed or overdue) it stays lost: every later request fails at
// once, as a driver that stopped answering would.
class SocketConnection {
 public:
  using LostFn = std::function<void(const std::string& why)>;

  // Connects to `path` and exchanges hellos. Fails, saying why, when there is no
  // socket, nobody listens, the server refuses the connection (its reason is given),
  // or the peer does not answer as a k4emu server within `helloTimeout`.
  static Result<std::unique_ptr<SocketConnection>> connect(
      const std::string& path, std::chrono::milliseconds helloTimeout = std::chrono::seconds(5));
  ~SocketConnection();
  SocketConnection(const SocketConnection&) = delete;
  SocketConnection& operator=(const SocketConnection&) = delete;

  // Sends one request and waits for its answer; false (connection lost) on any
  // failure. The answer's payload lands in `reply`.
  bool request(MessageKind kind, const std::vector<std::uint8_t>& payload,
               std::vector<std::uint8_t>& reply);

  // Sends event lines (see socket_inject.h). Succeeds when the server applied them all;
  // otherwise the error is the server's reason or says the connection was lost.
  Result<void> inject(std::string_view lines);

  // Longest wait for an answer: the packet's time-out (100 s, or K4_PACKET_TIMEOUT_MS)
  // once connected; zero waits as long as the server takes. An overdue answer loses
  // the connection (its late answer would be taken for the next request's).
  void setReplyTimeout(std::chrono::milliseconds timeout);
  // Called once, on the thread whose request found the connection lost, with the
  // connection's lock held (it must not use the connection).
  void setLostHandler(LostFn handler);

  // Ends the connection from any thread, without waiting for a request in progress:
  // that request and every later one fail. For a program's exit, so that a request
  // the server holds back (stall) cannot hold up the exit. Ended here, the connection
  // is not reported lost: the lost handler is not called for it.
  void disconnect();

  bool lost() const;
  const std::string& path() const { return path_; }
  // The server's reason when it refused this connection (too many clients, no hello
  // in time); empty otherwise.
  std::string refusal() const;

 private:
  SocketConnection(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  bool requestLocked(MessageKind kind, const std::vector<std::uint8_t>& payload,
                     std::vector<std::uint8_t>& reply);
  bool sendAll(const std::uint8_t* data, std::size_t length);
  bool receiveAll(std::uint8_t* data, std::size_t length);
  void loseLocked(const std::string& why);
  // Reads the refusal the server left before it closed: its payload when `header` is
  // a refusal already read, else a whole refusal frame if one waits. Never blocks.
  void takeRefusalLocked(const FrameHeader* header);

  mutable std::mutex mu_;
  const int fd_;  // open until destruction; a lost connection is shut down, not closed
  std::string path_;
  bool lost_ = false;
  std::string refusal_;
  std::atomic<bool> disconnected_{false};  // ended by disconnect(), not by the server
  std::chrono::milliseconds replyTimeout_{0};
  LostFn onLost_;
};

// The NT storage stack of the controller a k4emu server runs. Handles are the
// server's, kept per connection. Every operation fails (0, kInvalidHandle, false)
// once the connection is lost. Thread-safe; the connection must outlive this object.
class SocketNtStorage : public NtStorageStack {
 public:
  explicit SocketNtStorage(SocketConnection& connection) : connection_(connection) {}

  std::uint32_t queryDosDevice(std::string_view dosName, char* buffer,
                               std::uint32_t capacity) override;
  DeviceHandle createFile(std::string_view path) override;
  // Carries at most 2076 bytes (the whole control packet) each way.
  bool miniportControl(DeviceHandle handle, std::uint8_t* inOut, std::uint32_t size) override;
  bool rescanBus(DeviceHandle handle) override;
  void closeHandle(DeviceHandle handle) override;

 private:
  SocketConnection& connection_;
};

// Forwards one CDB 0x77 request to the server's controller. Buffers of 48, 180 or
// 2076 bytes travel; any other length, or a lost connection, fails the request.
class SocketAspiDevice {
 public:
  explicit SocketAspiDevice(SocketConnection& connection) : connection_(connection) {}
  bool handleAspiCdb77(int adapter, int target, std::uint8_t* buffer, std::size_t length);

 private:
  SocketConnection& connection_;
};

// An Aspi32Backend (for AspiStandIn::attach) whose context is a SocketConnection.
int socketAspiBackend(void* connection, std::uint8_t adapter, std::uint8_t target,
                      const aspi::SRB_ExecSCSICmd* srb, std::uint8_t* buffer,
                      std::uint32_t length);

}  // namespace raidmon::emu
