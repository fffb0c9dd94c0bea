#include "emulator/socket_server.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "emulator/emulated_nt_storage.h"
#include "emulator/socket_inject.h"
#include "emulator/socket_protocol.h"
#include "protocol/byte_order.h"

namespace raidmon::emu {

struct SocketServer::Client {
  int fd = -1;
  std::uint64_t id = 0;
  std::unique_ptr<EmulatedNtStorage> storage;  // this client's handles
  bool greeted = false;
  std::chrono::steady_clock::time_point connectedAt;
  std::vector<std::uint8_t> in;  // header, then the payload it announced
  std::size_t inFill = 0;
  FrameHeader header;
  std::vector<std::uint8_t> out;  // one reply at most
  std::size_t outSent = 0;
  bool dead = false;
  std::string why;

  bool frameComplete() const {
    return inFill >= kFrameHeaderSize && inFill == kFrameHeaderSize + header.length;
  }
};

namespace {

bool fillAddress(const std::string& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.data(), path.size());
  return true;
}

// Requests that reach the controller; "stall on" holds these back.
bool reachesController(std::uint16_t kind) {
  return kind == static_cast<std::uint16_t>(MessageKind::Miniport) ||
         kind == static_cast<std::uint16_t>(MessageKind::RescanBus) ||
         kind == static_cast<std::uint16_t>(MessageKind::Aspi);
}

// What the header says is acceptable before a byte of the payload is read.
std::string headerProblem(const FrameHeader& h, bool greeted) {
  const std::optional<MessageKind> kind = requestKind(h.kind);
  if (!kind) return "unknown message kind " + std::to_string(h.kind);
  if (!greeted && *kind != MessageKind::Hello) return "request before hello";
  if (h.length < minRequestPayload(*kind)) return "message too short";
  if (h.length > maxRequestPayload(*kind)) return "message too long";
  return {};
}

// Tells a client why it is not served; best effort (the frame is small, and a client
// whose buffer is full learns it from the closed connection).
void sendRefusal(int fd, const std::string& why) {
  const std::vector<std::uint8_t> frame = encodeFrame(
      kRefusalKind, reinterpret_cast<const std::uint8_t*>(why.data()), std::min(why.size(), kMaxRefusalBytes));
  [[maybe_unused]] const ssize_t n = ::send(fd, frame.data(), frame.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
}

}  // namespace

SocketServer::SocketServer(Controller& controller, std::string path, LogFn log)
    : controller_(controller), path_(std::move(path)), log_(std::move(log)) {
  int fds[2];
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
  }
}

SocketServer::~SocketServer() {
  for (auto& c : clients_) ::close(c->fd);
  clients_.clear();
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    // Remove the file only while it is still ours (not one a later server made).
    struct stat st;
    if (::lstat(path_.c_str(), &st) == 0 && st.st_dev == socketDev_ && st.st_ino == socketIno_) {
      ::unlink(path_.c_str());
    }
  }
  if (wakeRead_ >= 0) ::close(wakeRead_);
  if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

Result<void> SocketServer::listen() {
  if (listenFd_ >= 0) return {};
  if (wakeRead_ < 0) {
    return Unexpected(std::string("cannot create a pipe: ") + std::strerror(errno));
  }
  sockaddr_un addr;
  if (!fillAddress(path_, addr)) {
    return Unexpected("socket path empty or longer than " +
                      std::to_string(sizeof addr.sun_path - 1) + " bytes: " + path_);
  }
  struct stat st;
  if (::lstat(path_.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) return Unexpected(path_ + " exists and is not a socket");
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
      return Unexpected(std::string("cannot create a socket: ") + std::strerror(errno));
    }
    const int rc = ::connect(probe, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    const int err = errno;
    ::close(probe);
    if (rc == 0) return Unexpected("a server is already listening on " + path_);
    if (err != ECONNREFUSED) {
      return Unexpected("cannot check the socket " + path_ + ": " + std::strerror(err));
    }
    ::unlink(path_.c_str());  // left behind by a server that is gone
  }

  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    return Unexpected(std::string("cannot create a socket: ") + std::strerror(errno));
  }
  // The file is made owner-only from the start: no window where others could connect.
  const mode_t oldMask = ::umask(0177);
  const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  const int bindErr = errno;
  ::umask(oldMask);
  if (bound != 0) {
    ::close(fd);
    return Unexpected("cannot bind " + path_ + ": " + std::strerror(bindErr));
  }
  if (::chmod(path_.c_str(), 0600) != 0 || ::listen(fd, 16) != 0 ||
      ::lstat(path_.c_str(), &st) != 0) {
    const std::string why = "cannot listen on " + path_ + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(path_.c_str());
    return Unexpected(why);
  }
  socketDev_ = st.st_dev;
  socketIno_ = st.st_ino;
  listenFd_ = fd;
  return {};
}

void SocketServer::requestStop() {
  stop_.store(true);
  if (wakeWrite_ >= 0) {
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &b, 1);
  }
}

void SocketServer::log(const std::string& line) const {
  if (log_) log_(line);
}

void SocketServer::acceptClients() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return;  // EAGAIN, or a client that left before we took it
    }
    if (clients_.size() >= static_cast<std::size_t>(kMaxSocketClients)) {
      const std::string why = std::to_string(kMaxSocketClients) + " clients are connected already";
      sendRefusal(fd, why);
      ::close(fd);
      log("refused a client: " + why);
      continue;
    }
    auto c = std::make_unique<Client>();
    c->fd = fd;
    c->connectedAt = std::chrono::steady_clock::now();
    c->id = nextClientId_++;
    c->storage = std::make_unique<EmulatedNtStorage>(controller_);
    log("client " + std::to_string(c->id) + " connected");
    clients_.push_back(std::move(c));
    clientCount_.store(static_cast<int>(clients_.size()));
  }
}

bool SocketServer::readFrom(Client& c) {
  while (!c.frameComplete()) {
    const std::size_t want = c.inFill < kFrameHeaderSize ? kFrameHeaderSize
                                                         : kFrameHeaderSize + c.header.length;
    if (c.in.size() < want) c.in.resize(want);
    const ssize_t n = ::recv(c.fd, c.in.data() + c.inFill, want - c.inFill, MSG_DONTWAIT);
    if (n == 0) {
      c.why = c.inFill == 0 ? "gone" : "gone in the middle of a message";
      return false;
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
      c.why = std::string("read failed: ") + std::strerror(errno);
      return false;
    }
    c.inFill += static_cast<std::size_t>(n);
    if (c.inFill == kFrameHeaderSize) {
      const std::optional<FrameHeader> h = decodeHeader(c.in.data());
      if (!h) {
        c.why = "malformed header, closed";
        return false;
      }
      if (std::string problem = headerProblem(*h, c.greeted); !problem.empty()) {
        c.why = problem + ", closed";
        return false;
      }
      c.header = *h;
    }
  }
  return true;
}

bool SocketServer::flush(Client& c) {
  while (c.outSent < c.out.size()) {
    const ssize_t n = ::send(c.fd, c.out.data() + c.outSent, c.out.size() - c.outSent,
                             MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
      c.why = "gone before its answer";
      return false;
    }
    c.outSent += static_cast<std::size_t>(n);
  }
  c.out.clear();
  c.outSent = 0;
  return true;
}

bool SocketServer::ready(const Client& c) const {
  return !c.dead && c.frameComplete() && c.out.empty() &&
         !(stalled_.load() && reachesController(c.header.kind));
}

bool SocketServer::handle(Client& c) {
  const std::uint8_t* p = c.in.data() + kFrameHeaderSize;
  const std::size_t len = c.header.length;
  const auto kind = static_cast<MessageKind>(c.header.kind);
  std::vector<std::uint8_t> reply;
  auto wireHandle = [&] { return static_cast<DeviceHandle>(loadLe32(p)); };

  switch (kind) {
    case MessageKind::Hello:
      if (!isHelloPayload(p, len)) {
        c.why = "hello of another protocol or version, closed";
        return false;
      }
      c.greeted = true;
      reply = helloPayload();
      break;
    case MessageKind::QueryDosDevice:
      reply = dosDeviceReply(c, p, len);
      break;
    case MessageKind::CreateFile:
      reply = createFileReply(c, std::string_view(reinterpret_cast<const char*>(p), len));
      break;
    case MessageKind::Miniport: {
      std::vector<std::uint8_t> packet(p + 4, p + len);
      const bool ok = c.storage->miniportControl(wireHandle(), packet.data(),
                                                 static_cast<std::uint32_t>(packet.size()));
      reply.push_back(ok ? 1 : 0);
      if (ok) appendBytes(reply, packet.data(), packet.size());
      break;
    }
    case MessageKind::RescanBus:
      reply.push_back(c.storage->rescanBus(wireHandle()) ? 1 : 0);
      break;
    case MessageKind::CloseHandle:
      c.storage->closeHandle(wireHandle());
      break;
    case MessageKind::Aspi: {
      if (!isAspiLength(len - 2)) {
        c.why = "ASPI buffer of " + std::to_string(len - 2) + " bytes, closed";
        return false;
      }
      std::vector<std::uint8_t> buffer(p + 2, p + len);
      const bool ok = controller_.handleAspiCdb77(p[0], p[1], buffer.data(), buffer.size());
      reply.push_back(ok ? 1 : 0);
      if (ok) appendBytes(reply, buffer.data(), buffer.size());
      break;
    }
    case MessageKind::Inject:
      reply = injectReply(c, std::string_view(reinterpret_cast<const char*>(p), len));
      break;
  }
  c.out = encodeFrame(static_cast<std::uint16_t>(c.header.kind | kReplyBit), reply);
  c.outSent = 0;
  c.inFill = 0;
  return true;
}

std::vector<std::uint8_t> SocketServer::dosDeviceReply(Client& c, const std::uint8_t* p,
                                                       std::size_t len) {
  std::vector<std::uint8_t> reply;
  const std::uint32_t capacity = loadLe32(p);
  std::vector<char> buffer(std::min<std::size_t>(capacity, kMaxDosReplyBytes));
  const std::string_view name(reinterpret_cast<const char*>(p + 4), len - 4);
  std::uint32_t n = c.storage->queryDosDevice(name, buffer.data(),
                                              static_cast<std::uint32_t>(buffer.size()));
  if (n > buffer.size()) n = 0;
  appendLe32(reply, n);
  appendBytes(reply, buffer.data(), n);
  return reply;
}

std::vector<std::uint8_t> SocketServer::createFileReply(Client& c, std::string_view path) {
  std::vector<std::uint8_t> reply;
  // A client holds a bounded number of handles: past them an open fails, as for a
  // port that is not there.
  if (c.storage->openHandleCount() >= kMaxHandlesPerClient) {
    if (c.storage->openHandleCount() == kMaxHandlesPerClient) {
      log("client " + std::to_string(c.id) + " holds " + std::to_string(kMaxHandlesPerClient) +
          " handles: further opens fail");
    }
    appendLe32(reply, kWireInvalidHandle);
    return reply;
  }
  DeviceHandle h = c.storage->createFile(path);
  if (h != kInvalidHandle && (h <= 0 || h >= static_cast<DeviceHandle>(kWireInvalidHandle))) {
    c.storage->closeHandle(h);  // cannot travel in 32 bits
    h = kInvalidHandle;
  }
  appendLe32(reply, h == kInvalidHandle ? kWireInvalidHandle : static_cast<std::uint32_t>(h));
  return reply;
}

// All the events are applied or none; the reply says which, with the reason.
std::vector<std::uint8_t> SocketServer::injectReply(const Client& c, std::string_view text) {
  const Result<std::vector<InjectedLine>> parsed = parseInjectedLines(controller_, text);
  if (parsed) {
    for (const InjectedLine& line : *parsed) {
      if (line.event) controller_.applyEvent(*line.event);
      if (line.stall) stalled_.store(*line.stall);
      log("client " + std::to_string(c.id) + " injected: " + line.text);
    }
  }
  const std::string& error = parsed.error();  // empty when applied
  std::vector<std::uint8_t> reply{static_cast<std::uint8_t>(parsed ? 1 : 0)};
  appendBytes(reply, error.data(), std::min(error.size(), kMaxInjectReplyBytes));
  return reply;
}

void SocketServer::drop(std::size_t index, const std::string& why) {
  Client& c = *clients_[index];
  log("client " + std::to_string(c.id) + " " + why);
  ::close(c.fd);
  clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(index));
  clientCount_.store(static_cast<int>(clients_.size()));
}

void SocketServer::refuseLateGreetings(std::chrono::steady_clock::time_point now) {
  for (auto& c : clients_) {
    if (c->greeted || c->dead || now - c->connectedAt < helloTimeout_) continue;
    const std::string why = "no hello within " + std::to_string(helloTimeout_.count()) + " ms";
    sendRefusal(c->fd, why);
    c->dead = true;
    c->why = why + ", closed";
  }
}

int SocketServer::pollTimeout(std::chrono::steady_clock::time_point now) const {
  // Until the first greeting falls due; without one, as long as nothing happens.
  long long wait = -1;
  for (const auto& c : clients_) {
    if (c->greeted) continue;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(c->connectedAt + helloTimeout_ - now);
    const long long ms = std::max<long long>(0, left.count() + 1);
    wait = wait < 0 ? ms : std::min(wait, ms);
  }
  return static_cast<int>(std::min<long long>(wait, 60'000));
}

void SocketServer::dropDead() {
  for (std::size_t i = clients_.size(); i-- > 0;) {
    if (clients_[i]->dead) drop(i, clients_[i]->why);
  }
}

bool SocketServer::serveRound() {
  // One request per client per round, so no client starves another.
  bool more = false;
  for (auto& c : clients_) {
    if (!ready(*c)) continue;
    if (!handle(*c) || !flush(*c)) {
      c->dead = true;
      continue;
    }
    more = more || ready(*c);
  }
  dropDead();
  // A stall switched off by one client lets the others' held requests through.
  for (auto& c : clients_) more = more || ready(*c);
  return more;
}

void SocketServer::takeEvents(Client& c, short revents) {
  if (revents & POLLNVAL) {
    c.dead = true;
    c.why = "lost";
    return;
  }
  if ((revents & POLLOUT) && !flush(c)) {
    c.dead = true;
    return;
  }
  if ((revents & (POLLIN | POLLHUP | POLLERR)) && !c.frameComplete()) {
    if (!readFrom(c)) c.dead = true;
  } else if (revents & (POLLHUP | POLLERR)) {
    c.dead = true;  // gone while a request of its own waits (held by a stall)
    c.why = "gone";
  }
}

bool SocketServer::run() {
  if (listenFd_ < 0) return false;
  std::vector<pollfd> fds;
  while (!stop_.load()) {
    const bool more = serveRound();
    fds.clear();
    fds.push_back({wakeRead_, POLLIN, 0});
    fds.push_back({listenFd_, POLLIN, 0});
    for (auto& c : clients_) {
      short events = 0;
      if (!c->frameComplete()) events |= POLLIN;
      if (!c->out.empty()) events |= POLLOUT;
      fds.push_back({c->fd, events, 0});
    }
    const int n = ::poll(fds.data(), fds.size(), more ? 0 : pollTimeout(std::chrono::steady_clock::now()));
    if (n < 0) {
      if (errno == EINTR) continue;
      log(std::string("poll failed: ") + std::strerror(errno));
      return false;
    }
    if (fds[0].revents & POLLIN) {
      char drain[64];
      while (::read(wakeRead_, drain, sizeof drain) > 0) {
      }
    }
    const std::size_t known = clients_.size();
    for (std::size_t i = 0; i < known; ++i) takeEvents(*clients_[i], fds[i + 2].revents);
    refuseLateGreetings(std::chrono::steady_clock::now());
    dropDead();
    if (fds[1].revents & POLLIN) acceptClients();
  }
  return true;
}

}  // namespace raidmon::emu
