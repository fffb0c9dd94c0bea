// k4emu's server and its client in one process: the storage stack and the ASPI path
// across the socket answer as the in-process controller does, malformed messages
// close only their own client, injected events and stalls, lost connections.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <thread>

#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "emulator/socket_client.h"
#include "emulator/socket_inject.h"
#include "emulator/socket_protocol.h"
#include "emulator/socket_server.h"
#include "protocol/byte_order.h"
#include "protocol/control_packet.h"
#include "support/temp_dir.h"

namespace raidmon::emu {
namespace {

using namespace std::chrono_literals;

Scenario defaultScenario() {
  ScenarioParse p = parseScenario(defaultScenarioText());
  EXPECT_TRUE(p.has_value()) << p.error().message;
  return p.value();
}

// The default scenario's controller served on a temporary socket by a thread.
class ServedController {
 public:
  explicit ServedController(std::chrono::milliseconds helloTimeout = kHelloTimeout)
      : controller(defaultScenario()), server(controller, path) {
    const Result<void> listened = server.listen();
    listening = listened.has_value();
    EXPECT_TRUE(listening) << listened.error();
    server.setHelloTimeout(helloTimeout);
    if (listening) thread = std::thread([this] { server.run(); });
  }
  ~ServedController() { stop(); }
  void stop() {
    server.requestStop();
    if (thread.joinable()) thread.join();
  }
  std::unique_ptr<SocketConnection> connect() {
    auto c = SocketConnection::connect(path);
    EXPECT_TRUE(c) << c.error();
    return c ? std::move(c).value() : nullptr;
  }

  test::TempDir dir{"k4emu_test"};
  std::string path = dir.file("k4.sock");
  Controller controller;
  SocketServer server;
  bool listening = false;
  std::thread thread;
};

// A socket that speaks raw bytes, for messages the real client never sends.
class RawClient {
 public:
  explicit RawClient(const std::string& path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  }
  ~RawClient() { ::close(fd_); }
  void send(const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
  }
  void hello() {
    send(encodeFrame(static_cast<std::uint16_t>(MessageKind::Hello), helloPayload()));
    std::uint8_t reply[kFrameHeaderSize + 8];
    ASSERT_EQ(::recv(fd_, reply, sizeof reply, MSG_WAITALL), static_cast<ssize_t>(sizeof reply));
  }
  // The reason of a refusal frame the server sent within two seconds, or nullopt.
  std::optional<std::string> refusal() {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 2000) != 1) return std::nullopt;
    std::uint8_t head[kFrameHeaderSize];
    if (::recv(fd_, head, sizeof head, MSG_WAITALL) != static_cast<ssize_t>(sizeof head)) return std::nullopt;
    const auto h = decodeHeader(head);
    if (!h || h->kind != kRefusalKind || h->length > kMaxRefusalBytes) return std::nullopt;
    std::string text(h->length, '\0');
    if (::recv(fd_, text.data(), text.size(), MSG_WAITALL) != static_cast<ssize_t>(text.size())) return std::nullopt;
    return text;
  }
  // True when the server closed this connection within two seconds.
  bool closedByServer() {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 2000) != 1) return false;
    // End of stream, or a reset when the server left bytes of ours unread.
    std::uint8_t b;
    return ::recv(fd_, &b, 1, 0) <= 0;
  }

 private:
  int fd_ = -1;
};

std::vector<std::uint8_t> frame(std::uint16_t kind, std::vector<std::uint8_t> payload) {
  return encodeFrame(kind, payload);
}

TEST(SocketServer, StorageStackAcrossTheSocketAnswersAsTheEmulatedOne) {
  ServedController served;
  auto connection = served.connect();
  ASSERT_TRUE(connection);
  SocketNtStorage remote(*connection);
  Controller localController(defaultScenario());
  EmulatedNtStorage local(localController);

  for (std::string_view dos : {"scsi0:", "scsi1:", "SCSI2:", "scsi3:", "scsi1", ""}) {
    for (std::uint32_t capacity : {2u, 18u, 19u, 64u, 100000u}) {
      char a[64], b[64];
      std::memset(a, 'x', sizeof a);
      std::memset(b, 'x', sizeof b);
      const std::uint32_t cap = std::min<std::uint32_t>(capacity, sizeof a);
      EXPECT_EQ(remote.queryDosDevice(dos, a, cap), local.queryDosDevice(dos, b, cap)) << dos;
      EXPECT_EQ(std::memcmp(a, b, sizeof a), 0) << dos;
    }
  }

  for (std::string_view path : {"\\\\.\\SCSI0:", "\\\\.\\scsi1:", "\\\\.\\Scsi2:", "\\\\.\\SCSI7:",
                                "SCSI1:", ""}) {
    const DeviceHandle r = remote.createFile(path);
    const DeviceHandle l = local.createFile(path);
    EXPECT_EQ(r == kInvalidHandle, l == kInvalidHandle) << path;
    if (r == kInvalidHandle) continue;
    for (std::uint32_t code : {CTL_PROBE, CTL_READ_CONFIG, CTL_READ_STATUS, CTL_PLUG_BACKUP,
                               CTL_REBUILD_BEGIN, CTL_REBUILD_END}) {
      for (std::uint32_t size : {static_cast<std::uint32_t>(kPacketSize), 100u}) {
        std::vector<std::uint8_t> a(kPacketSize, 0x5A), b(kPacketSize, 0x5A);
        storeLe32(a.data() + kOffControlCode, code);
        storeLe32(b.data() + kOffControlCode, code);
        EXPECT_EQ(remote.miniportControl(r, a.data(), size), local.miniportControl(l, b.data(), size))
            << path << " code " << std::hex << code;
        EXPECT_EQ(a, b) << path << " code " << std::hex << code;
      }
    }
    EXPECT_EQ(remote.rescanBus(r), local.rescanBus(l));
    remote.closeHandle(r);
    local.closeHandle(l);
    std::vector<std::uint8_t> a(kPacketSize, 0);
    EXPECT_FALSE(remote.miniportControl(r, a.data(), kPacketSize)) << "closed handle";
    EXPECT_FALSE(remote.rescanBus(r));
  }
  EXPECT_FALSE(remote.miniportControl(0x100, nullptr, kPacketSize));
  EXPECT_EQ(served.controller.rescanCount(), localController.rescanCount());
  EXPECT_EQ(served.controller.statusTick(), localController.statusTick());
}

TEST(SocketServer, AspiPathAnswersAsTheControllerAndRefusesOtherLengths) {
  ServedController served;
  auto connection = served.connect();
  ASSERT_TRUE(connection);
  SocketAspiDevice remote(*connection);
  Controller local(defaultScenario());
  for (std::size_t length : {48u, 180u, 2076u}) {
    for (int adapter : {0, 1}) {
      std::vector<std::uint8_t> a(length, 0x33), b(length, 0x33);
      storeLe32(a.data() + kOffControlCode, CTL_PROBE);
      storeLe32(b.data() + kOffControlCode, CTL_PROBE);
      EXPECT_EQ(remote.handleAspiCdb77(adapter, 0, a.data(), length),
                local.handleAspiCdb77(adapter, 0, b.data(), length));
      EXPECT_EQ(a, b) << "length " << length << " adapter " << adapter;
    }
  }
  std::vector<std::uint8_t> odd(100, 0);
  EXPECT_FALSE(remote.handleAspiCdb77(1, 0, odd.data(), odd.size()));
  // Through the C backend as the ASPI layer calls it.
  std::vector<std::uint8_t> packet(kPacketSize, 0);
  storeLe32(packet.data() + kOffControlCode, CTL_PROBE);
  EXPECT_EQ(socketAspiBackend(connection.get(), 1, 0, nullptr, packet.data(), kPacketSize), 1);
  EXPECT_EQ(loadLe32(packet.data() + kOffReturnCode), CTL_PROBE);
  EXPECT_FALSE(connection->lost());
}

TEST(SocketServer, MalformedMessagesCloseOnlyTheirClient) {
  ServedController served;
  auto good = served.connect();
  ASSERT_TRUE(good);
  SocketNtStorage storage(*good);
  const DeviceHandle h = storage.createFile("\\\\.\\SCSI1:");
  ASSERT_NE(h, kInvalidHandle);

  auto header = [](std::uint16_t kind, std::uint32_t length, std::uint16_t reserved = 0) {
    std::vector<std::uint8_t> b(kFrameHeaderSize);
    storeLe16(b.data(), kind);
    storeLe16(b.data() + 2, reserved);
    storeLe32(b.data() + 4, length);
    return b;
  };
  struct Case {
    const char* what;
    bool greet;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"request before hello", false, frame(0x05, {0, 1, 0, 0})},
      {"hello of another version", false, frame(0x01, {'K', '4', 'E', 'M', 2, 0, 0, 0})},
      {"unknown kind", true, frame(0x7F, {1})},
      {"a reply kind from a client", true, frame(0x84, {1})},
      {"reserved field set", true, header(0x05, 4, 1)},
      {"oversized miniport", true, header(0x04, 0xFFFFFFFFu)},
      {"inject over its limit", true, header(0x08, kMaxInjectBytes + 1)},
      {"too short for its kind", true, header(0x04, 3)},
      {"rescan with a packet", true, header(0x05, 8)},
      {"ASPI buffer of 100 bytes", true, frame(0x07, std::vector<std::uint8_t>(102, 0))},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    RawClient raw(served.path);
    if (k.greet) raw.hello();
    raw.send(k.bytes);
    EXPECT_TRUE(raw.closedByServer());
  }
  {
    // Truncated: the announced payload never comes; the client leaves mid-message.
    RawClient raw(served.path);
    raw.hello();
    raw.send(header(0x04, 2080));
    raw.send(std::vector<std::uint8_t>(100, 0));
  }
  // The well-behaved client and its handle went on working throughout.
  std::vector<std::uint8_t> packet(kPacketSize, 0);
  storeLe32(packet.data() + kOffControlCode, CTL_PROBE);
  EXPECT_TRUE(storage.miniportControl(h, packet.data(), kPacketSize));
  EXPECT_EQ(loadLe32(packet.data() + kOffReturnCode), CTL_PROBE);
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (served.server.clientCount() != 1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(served.server.clientCount(), 1);
}

TEST(SocketServer, HandlesBelongToTheirClient) {
  ServedController served;
  auto a = served.connect();
  auto b = served.connect();
  ASSERT_TRUE(a && b);
  SocketNtStorage sa(*a), sb(*b);
  const DeviceHandle h = sa.createFile("\\\\.\\SCSI1:");
  ASSERT_NE(h, kInvalidHandle);
  std::vector<std::uint8_t> packet(kPacketSize, 0);
  storeLe32(packet.data() + kOffControlCode, CTL_PROBE);
  EXPECT_FALSE(sb.miniportControl(h, packet.data(), kPacketSize));
  EXPECT_FALSE(sb.rescanBus(h));
  sb.closeHandle(h);  // not b's to close
  EXPECT_TRUE(sa.miniportControl(h, packet.data(), kPacketSize));
}

TEST(SocketServer, HandlesPerClientAreBounded) {
  ServedController served;
  auto c = served.connect();
  ASSERT_TRUE(c);
  SocketNtStorage storage(*c);
  std::vector<DeviceHandle> handles;
  for (std::size_t i = 0; i < kMaxHandlesPerClient; ++i) handles.push_back(storage.createFile("\\\\.\\SCSI1:"));
  for (DeviceHandle h : handles) ASSERT_NE(h, kInvalidHandle);
  EXPECT_EQ(storage.createFile("\\\\.\\SCSI1:"), kInvalidHandle);  // one more fails as a missing port
  std::vector<std::uint8_t> packet(kPacketSize, 0);
  EXPECT_TRUE(storage.miniportControl(handles.back(), packet.data(), kPacketSize));  // the rest still work
  storage.closeHandle(handles.front());
  EXPECT_NE(storage.createFile("\\\\.\\SCSI1:"), kInvalidHandle);
  // Another client has handles of its own.
  auto other = served.connect();
  ASSERT_TRUE(other);
  EXPECT_NE(SocketNtStorage(*other).createFile("\\\\.\\SCSI1:"), kInvalidHandle);
}

TEST(SocketServer, SilentClientsAreClosedAndAFullServerSaysWhy) {
  ServedController served(300ms);
  // A full house of clients that never say hello.
  std::vector<std::unique_ptr<RawClient>> silent;
  for (int i = 0; i < kMaxSocketClients; ++i) silent.push_back(std::make_unique<RawClient>(served.path));
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (served.server.clientCount() < kMaxSocketClients && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_EQ(served.server.clientCount(), kMaxSocketClients);
  // One more is told why it is not served, not that the server is no server.
  const auto refused = SocketConnection::connect(served.path);
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.error(), "the k4emu server on " + served.path + " refused the connection: " +
                       std::to_string(kMaxSocketClients) + " clients are connected already");
  // The silent ones are closed once their greeting is overdue, each told why...
  EXPECT_EQ(silent.front()->refusal(), std::optional<std::string>("no hello within 300 ms"));
  EXPECT_TRUE(silent.front()->closedByServer());
  // ...and the server takes clients again.
  auto c = served.connect();
  ASSERT_TRUE(c);
  EXPECT_NE(SocketNtStorage(*c).createFile("\\\\.\\SCSI1:"), kInvalidHandle);
  // A greeted client stays, however long it is quiet.
  RawClient greeted(served.path);
  greeted.hello();
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(served.server.clientCount(), 2);
}

TEST(SocketServer, InjectedEventsApplyAllOrNothing) {
  ServedController served;
  auto c = served.connect();
  ASSERT_TRUE(c);
  const Result<void> injected = c->inject("pull 1.2\n# a comment\n\nhotplug 2 1\n");
  EXPECT_TRUE(injected) << injected.error();
  EXPECT_FALSE(served.controller.isInserted(1, 2));
  EXPECT_NE(served.controller.statusBlock()[statusHotPlugOffset(2, 1)], 0);

  struct Case {
    const char* text;
    const char* says;
  } bad[] = {
      {"insert 1.2\npull 3.3\n", "event 2 'pull 3.3': no drive declared at 3.3"},
      {"insert 1.2\nat 5 pull 1.1\n", "leave out 'at TICK'"},
      {"insert 1.2\ndrive 3.3 model \"X\" sectors 5\n", "not an event"},
      {"insert 1.2\nstall maybe\n", "stall on or stall off"},
      {"insert 1.2\nfail-transfer 0\n", "count out of range"},
      {"# nothing\n\n", "no event given"},
  };
  for (const Case& k : bad) {
    const Result<void> refused = c->inject(k.text);
    EXPECT_FALSE(refused) << k.text;
    EXPECT_NE(refused.error().find(k.says), std::string::npos) << refused.error();
  }
  EXPECT_FALSE(served.controller.isInserted(1, 2)) << "a rejected batch applied its insert";
  EXPECT_FALSE(c->lost());
}

TEST(SocketServer, StallHoldsControllerRequestsUntilSwitchedOff) {
  ServedController served;
  auto control = served.connect();
  auto monitor = served.connect();
  ASSERT_TRUE(control && monitor);
  SocketNtStorage storage(*monitor);
  const DeviceHandle h = storage.createFile("\\\\.\\SCSI1:");
  const Result<void> stalled = control->inject("stall on");
  ASSERT_TRUE(stalled) << stalled.error();

  auto held = std::async(std::launch::async, [&] {
    std::vector<std::uint8_t> packet(kPacketSize, 0);
    storeLe32(packet.data() + kOffControlCode, CTL_READ_STATUS);
    return storage.miniportControl(h, packet.data(), kPacketSize);
  });
  EXPECT_EQ(held.wait_for(200ms), std::future_status::timeout);
  EXPECT_EQ(served.controller.statusTick(), 0u);
  // Requests that do not reach the controller still go through, and so does "off".
  char name[64];
  auto other = served.connect();
  SocketNtStorage otherStorage(*other);
  EXPECT_GT(otherStorage.queryDosDevice("scsi1:", name, sizeof name), 0u);
  const Result<void> released = control->inject("stall off");
  ASSERT_TRUE(released) << released.error();
  ASSERT_EQ(held.wait_for(2s), std::future_status::ready);
  EXPECT_TRUE(held.get());
  EXPECT_EQ(served.controller.statusTick(), 1u);
}

TEST(SocketServer, LostConnectionFailsEveryOperationAtOnce) {
  auto served = std::make_unique<ServedController>();
  auto c = served->connect();
  ASSERT_TRUE(c);
  SocketNtStorage storage(*c);
  SocketAspiDevice aspi(*c);
  const DeviceHandle h = storage.createFile("\\\\.\\SCSI1:");
  ASSERT_NE(h, kInvalidHandle);
  std::atomic<int> lostCalls{0};
  c->setLostHandler([&](const std::string&) { ++lostCalls; });
  served.reset();  // the server ends and removes its socket

  const auto start = std::chrono::steady_clock::now();
  std::vector<std::uint8_t> packet(kPacketSize, 0);
  char name[64];
  EXPECT_FALSE(storage.miniportControl(h, packet.data(), kPacketSize));
  EXPECT_FALSE(storage.rescanBus(h));
  EXPECT_EQ(storage.queryDosDevice("scsi1:", name, sizeof name), 0u);
  EXPECT_EQ(storage.createFile("\\\\.\\SCSI1:"), kInvalidHandle);
  storage.closeHandle(h);
  EXPECT_FALSE(aspi.handleAspiCdb77(1, 0, packet.data(), kPacketSize));
  EXPECT_FALSE(c->inject("pull 1.2"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_TRUE(c->lost());
  EXPECT_EQ(lostCalls.load(), 1);
}

TEST(SocketServer, OverdueAnswerLosesTheConnection) {
  ServedController served;
  auto control = served.connect();
  auto c = served.connect();
  ASSERT_TRUE(control && c);
  ASSERT_TRUE(control->inject("stall on"));
  c->setReplyTimeout(100ms);
  SocketNtStorage storage(*c);
  const DeviceHandle h = storage.createFile("\\\\.\\SCSI1:");
  std::vector<std::uint8_t> packet(kPacketSize, 0);
  EXPECT_FALSE(storage.miniportControl(h, packet.data(), kPacketSize));
  EXPECT_TRUE(c->lost());
  ASSERT_TRUE(control->inject("stall off"));
  // The late answer never reaches a later request: the connection stays lost.
  EXPECT_EQ(storage.createFile("\\\\.\\SCSI1:"), kInvalidHandle);
}

TEST(SocketServer, DisconnectReleasesARequestTheServerHolds) {
  ServedController served;
  auto control = served.connect();
  auto c = served.connect();
  ASSERT_TRUE(control && c);
  ASSERT_TRUE(control->inject("stall on"));
  SocketAspiDevice aspi(*c);
  std::atomic<int> lostCalls{0};
  c->setLostHandler([&](const std::string&) { ++lostCalls; });
  auto held = std::async(std::launch::async, [&] {
    std::vector<std::uint8_t> packet(kPacketSize, 0);
    return aspi.handleAspiCdb77(1, 0, packet.data(), packet.size());
  });
  ASSERT_EQ(held.wait_for(100ms), std::future_status::timeout);
  c->disconnect();
  ASSERT_EQ(held.wait_for(2s), std::future_status::ready);
  EXPECT_FALSE(held.get());
  EXPECT_TRUE(c->lost());
  // Ended on this side: requests fail, but the connection is not reported lost.
  SocketNtStorage storage(*c);
  storage.closeHandle(0x100);
  EXPECT_EQ(lostCalls.load(), 0);
}

TEST(SocketServer, SocketFileIsPrivateReplacesAStaleOneAndIsRemovedOnExit) {
  test::TempDir dir("k4emu_test");
  const std::string path = dir.file("k4.sock");
  Controller controller(defaultScenario());
  {
    // A stale socket: bound, then its owner closed without removing it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
  }
  {
    SocketServer server(controller, path);
    const Result<void> listening = server.listen();
    ASSERT_TRUE(listening) << listening.error();
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    SocketServer second(controller, path);
    const Result<void> taken = second.listen();
    EXPECT_FALSE(taken);
    EXPECT_NE(taken.error().find("already listening"), std::string::npos) << taken.error();
  }
  EXPECT_FALSE(std::filesystem::exists(path));

  std::ofstream(path) << "not a socket";
  SocketServer onFile(controller, path);
  const Result<void> notSocket = onFile.listen();
  EXPECT_FALSE(notSocket);
  EXPECT_NE(notSocket.error().find("not a socket"), std::string::npos) << notSocket.error();
  EXPECT_TRUE(std::filesystem::exists(path)) << "an ordinary file was removed";
  std::filesystem::remove(path);

  SocketServer tooLong(controller, std::string(200, 'a'));
  EXPECT_FALSE(tooLong.listen());
  EXPECT_FALSE(tooLong.run());
}

}  // namespace
}  // namespace raidmon::emu
