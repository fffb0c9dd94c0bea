// Test support: an emulated controller from scenario text behind either link the
// program uses: the direct port (NT family) or the real bridge library and ASPI layer
// stand-in (9x family), each in process and, where the build has the k4emu socket
// server (RAIDMON_TEST_CONTROLLER_SOCKET=1), also across a server that runs on a thread
// of the test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "emulator/socket_client.h"
#if RAIDMON_TEST_CONTROLLER_SOCKET
#include "emulator/socket_server.h"
#endif
#include "link/direct_port_link.h"
#include "monitor/monitor.h"
#include "support/temp_dir.h"

#ifndef RAIDMON_TEST_CONTROLLER_SOCKET
#error "RAIDMON_TEST_CONTROLLER_SOCKET (1: the build has the emulator's socket server) is set by tests/CMakeLists.txt"
#endif

namespace raidmon::test {

// The socket kinds exist only where the build has the socket server.
enum class LinkKind {
  Direct,
  Bridge,
#if RAIDMON_TEST_CONTROLLER_SOCKET
  DirectSocket,
  BridgeSocket,
#endif
};

// Every kind this build has, in process first.
inline constexpr LinkKind kEveryLinkKind[] = {
    LinkKind::Direct,
    LinkKind::Bridge,
#if RAIDMON_TEST_CONTROLLER_SOCKET
    LinkKind::DirectSocket,
    LinkKind::BridgeSocket,
#endif
};

inline bool isBridge(LinkKind kind) {
#if RAIDMON_TEST_CONTROLLER_SOCKET
  if (kind == LinkKind::BridgeSocket) return true;
#endif
  return kind == LinkKind::Bridge;
}
inline bool isSocket(LinkKind kind) {
#if RAIDMON_TEST_CONTROLLER_SOCKET
  return kind == LinkKind::DirectSocket || kind == LinkKind::BridgeSocket;
#else
  (void)kind;
  return false;
#endif
}
inline const char* linkName(LinkKind kind) {
  switch (kind) {
    case LinkKind::Direct: return "Direct";
    case LinkKind::Bridge: return "Bridge";
#if RAIDMON_TEST_CONTROLLER_SOCKET
    case LinkKind::DirectSocket: return "DirectSocket";
    case LinkKind::BridgeSocket: return "BridgeSocket";
#endif
  }
  return "?";
}

class EmulatedLink {
 public:
  // `replyTimeout`: how long the socket client waits for an answer (socket kinds).
  EmulatedLink(LinkKind kind, const std::string& scenarioText,
               std::chrono::milliseconds replyTimeout = std::chrono::seconds(10)) {
    const emu::ScenarioParse parsed = emu::parseScenario(scenarioText);
    EXPECT_TRUE(parsed.has_value()) << parsed.error().line << ": " << parsed.error().message;
    controller = std::make_unique<emu::Controller>(parsed.value());
    if (isSocket(kind)) serve(replyTimeout);
    if (isBridge(kind)) {
      family = kOsFamily9x;
      bridge = std::make_unique<LoadedBridge>("korvane");
      EXPECT_TRUE(bridge->ok()) << bridge->error();
      standIn.emplace();
      if (connection) {
        (*standIn)->attach(&emu::socketAspiBackend, connection.get());
      } else {
        (*standIn)->attachDevice(*controller);
      }
      link = std::make_unique<BridgeLink>(bridge->exports());
    } else {
      if (connection) {
        socketStorage = std::make_unique<emu::SocketNtStorage>(*connection);
      } else {
        storage = std::make_unique<emu::EmulatedNtStorage>(*controller);
      }
      link = std::make_unique<DirectPortLink>(socketStorage ? static_cast<NtStorageStack&>(*socketStorage)
                                                            : static_cast<NtStorageStack&>(*storage));
    }
  }
  ~EmulatedLink() {
    detach();
    link.reset();  // closes its port while the server still answers
    stopServer();
  }
  // Call before the controller goes, once nothing sends any more.
  void detach() {
    if (standIn) (*standIn)->detach();
  }

  // Socket kinds: the server goes away, closing its clients' connections, as when its
  // process ends (their requests fail from then on). Nothing to do for the others.
  void stopServer() {
#if RAIDMON_TEST_CONTROLLER_SOCKET
    if (!server) return;
    server->requestStop();
    if (serverThread.joinable()) serverThread.join();
    server.reset();
#endif
  }
  // Socket kinds: "stall on|off" from a second client, as `k4emu inject` sends it.
  // False where there is no server to send it to.
  bool stallServer(bool on) {
#if RAIDMON_TEST_CONTROLLER_SOCKET
    auto injector = emu::SocketConnection::connect(socketPath);
    return injector && (*injector)->inject(on ? "stall on" : "stall off").has_value();
#else
    (void)on;
    return false;
#endif
  }

  std::uint8_t family = kOsFamilyNt;
  std::unique_ptr<emu::Controller> controller;
  std::unique_ptr<TempDir> socketDir;  // socket kinds: where the server's socket lives
  std::string socketPath;
#if RAIDMON_TEST_CONTROLLER_SOCKET
  std::unique_ptr<emu::SocketServer> server;
  std::thread serverThread;
#endif
  std::unique_ptr<emu::SocketConnection> connection;
  std::unique_ptr<emu::SocketNtStorage> socketStorage;
  std::unique_ptr<emu::EmulatedNtStorage> storage;
  std::unique_ptr<LoadedBridge> bridge;
  std::optional<AttachedStandIn> standIn;
  std::unique_ptr<ControllerLink> link;

 private:
  void serve([[maybe_unused]] std::chrono::milliseconds replyTimeout) {
#if RAIDMON_TEST_CONTROLLER_SOCKET
    socketDir = std::make_unique<TempDir>("raidmon_link");
    socketPath = socketDir->file("k4.sock");
    server = std::make_unique<emu::SocketServer>(*controller, socketPath);
    const Result<void> listening = server->listen();
    ASSERT_TRUE(listening) << listening.error();
    serverThread = std::thread([this] { server->run(); });
    auto connected = emu::SocketConnection::connect(socketPath);
    ASSERT_TRUE(connected) << connected.error();
    connection = std::move(connected).value();
    connection->setReplyTimeout(replyTimeout);
#else
    FAIL() << "this build has no socket server";
#endif
  }
};

}  // namespace raidmon::test
