// k4emu's server: one emulated controller behind a Unix stream socket, serving up to
// kMaxSocketClients clients one request at a time (storage stack, ASPI path, injected
// events). A client it will not serve is told why before it is closed.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/controller.h"
#include "platform/result.h"

namespace raidmon::emu {

inline constexpr int kMaxSocketClients = 64;
// Port handles one client may hold open at once; an open beyond them fails as an
// open of a missing port does.
inline constexpr std::size_t kMaxHandlesPerClient = 64;
// A client that has not said hello this long after it connected is closed.
inline constexpr std::chrono::milliseconds kHelloTimeout{5000};

// Runs on the thread that calls run(); requestStop() may be called from any thread
// and from a signal handler. The Controller must outlive the server, and the server
// must not be destroyed while run() is still executing.
class SocketServer {
 public:
  // Lines for the operator (a client came or went, events injected, a client closed
  // for a malformed message); may be empty.
  using LogFn = std::function<void(const std::string&)>;

  SocketServer(Controller& controller, std::string path, LogFn log = {});
  // Closes every client and removes the socket file if it is still the one we made.
  ~SocketServer();
  SocketServer(const SocketServer&) = delete;
  SocketServer& operator=(const SocketServer&) = delete;

  // Creates the socket (mode 0600: the process umask is narrowed for the moment of
  // the bind) and listens. A socket file left by a server that is gone is replaced; a
  // live server, a file that is not a socket or a path too long for a socket address
  // fail, saying why, and nothing is created or removed.
  Result<void> listen();

  // Serves until requestStop(). Returns false at once when listen() did not succeed.
  bool run();

  // Makes run() return soon; async-signal-safe.
  void requestStop();

  // How long a new client may take to say hello (kHelloTimeout unless changed; for
  // tests). Call before run().
  void setHelloTimeout(std::chrono::milliseconds timeout) { helloTimeout_ = timeout; }

  const std::string& path() const { return path_; }
  // Clients connected now (for tests; any thread).
  int clientCount() const { return clientCount_.load(); }
  // True while "stall on" holds requests to the controller back.
  bool stalled() const { return stalled_.load(); }

 private:
  struct Client;

  void acceptClients();
  bool readFrom(Client& client);
  bool flush(Client& client);
  bool ready(const Client& client) const;
  bool handle(Client& client);
  // The answers to a device name query, a port open and injected events.
  std::vector<std::uint8_t> dosDeviceReply(Client& client, const std::uint8_t* payload,
                                           std::size_t length);
  std::vector<std::uint8_t> createFileReply(Client& client, std::string_view path);
  std::vector<std::uint8_t> injectReply(const Client& client, std::string_view text);
  void drop(std::size_t index, const std::string& why);
  void dropDead();
  // Serves the clients with a request waiting; true when one still has another.
  bool serveRound();
  // What poll() reported for a client: reads, writes, or marks it dead.
  void takeEvents(Client& client, short revents);
  void refuseLateGreetings(std::chrono::steady_clock::time_point now);
  int pollTimeout(std::chrono::steady_clock::time_point now) const;
  void log(const std::string& line) const;

  Controller& controller_;
  std::string path_;
  LogFn log_;
  int listenFd_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  dev_t socketDev_ = 0;
  ino_t socketIno_ = 0;
  std::vector<std::unique_ptr<Client>> clients_;
  std::atomic<int> clientCount_{0};
  std::atomic<bool> stalled_{false};
  std::atomic<bool> stop_{false};
  std::uint64_t nextClientId_ = 1;
  std::chrono::milliseconds helloTimeout_ = kHelloTimeout;
};

}  // namespace raidmon::emu
