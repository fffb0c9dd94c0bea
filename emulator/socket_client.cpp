#include "emulator/socket_client.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "protocol/byte_order.h"
#include "protocol/packet_timeout.h"

namespace raidmon::emu {

Result<std::unique_ptr<SocketConnection>> SocketConnection::connect(
    const std::string& path, std::chrono::milliseconds helloTimeout) {
  sockaddr_un addr;
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr.sun_path) {
    return Unexpected("socket path empty or longer than " +
                      std::to_string(sizeof addr.sun_path - 1) + " bytes: " + path);
  }
  std::memcpy(addr.sun_path, path.data(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return Unexpected(std::string("cannot create a socket: ") + std::strerror(errno));
  }
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    const int err = errno;
    ::close(fd);
    if (err == ENOENT) {
      return Unexpected("no controller socket at " + path + " (is k4emu serve running?)");
    }
    if (err == ECONNREFUSED) return Unexpected("no k4emu server listening on " + path);
    return Unexpected("cannot connect to " + path + ": " + std::strerror(err));
  }
  std::unique_ptr<SocketConnection> c(new SocketConnection(fd, path));
  c->setReplyTimeout(helloTimeout);
  std::vector<std::uint8_t> reply;
  if (!c->request(MessageKind::Hello, helloPayload(), reply) ||
      !isHelloPayload(reply.data(), reply.size())) {
    const std::string refusal = c->refusal();
    return Unexpected(refusal.empty() ? path + " does not answer as a k4emu server"
                                      : "the k4emu server on " + path +
                                            " refused the connection: " + refusal);
  }
  // A controller that holds a request back makes the caller wait as long as the
  // packet's time-out allows, never longer.
  c->setReplyTimeout(packetTimeout());
  return c;
}

SocketConnection::~SocketConnection() { ::close(fd_); }

void SocketConnection::setReplyTimeout(std::chrono::milliseconds timeout) {
  std::lock_guard lock(mu_);
  replyTimeout_ = timeout;
}

void SocketConnection::setLostHandler(LostFn handler) {
  std::lock_guard lock(mu_);
  onLost_ = std::move(handler);
}

bool SocketConnection::lost() const {
  std::lock_guard lock(mu_);
  return lost_;
}

std::string SocketConnection::refusal() const {
  std::lock_guard lock(mu_);
  return refusal_;
}

void SocketConnection::takeRefusalLocked(const FrameHeader* header) {
  std::optional<FrameHeader> h;
  if (header != nullptr) {
    h = *header;
  } else {
    std::uint8_t head[kFrameHeaderSize];
    if (::recv(fd_, head, sizeof head, MSG_DONTWAIT | MSG_PEEK) != static_cast<ssize_t>(sizeof head)) return;
    h = decodeHeader(head);
    if (!h || h->kind != kRefusalKind) return;
    [[maybe_unused]] const ssize_t n = ::recv(fd_, head, sizeof head, MSG_DONTWAIT);
  }
  if (h->kind != kRefusalKind || h->length == 0 || h->length > kMaxRefusalBytes) return;
  std::string text(h->length, '\0');
  if (::recv(fd_, text.data(), text.size(), MSG_DONTWAIT | MSG_WAITALL) != static_cast<ssize_t>(text.size())) return;
  // Shown to the operator: printable characters only.
  for (char& ch : text) {
    if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7E) ch = '?';
  }
  refusal_ = std::move(text);
}

void SocketConnection::disconnect() {
  disconnected_.store(true);
  ::shutdown(fd_, SHUT_RDWR);
}

void SocketConnection::loseLocked(const std::string& why) {
  if (lost_) return;
  ::shutdown(fd_, SHUT_RDWR);
  lost_ = true;
  // A connection this side ended is not lost: requests after it fail quietly.
  if (onLost_ && !disconnected_.load()) onLost_(why);
}

bool SocketConnection::sendAll(const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::send(fd_, data, length, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

bool SocketConnection::receiveAll(std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    if (replyTimeout_.count() > 0) {
      pollfd p{fd_, POLLIN, 0};
      const int r = ::poll(&p, 1, static_cast<int>(replyTimeout_.count()));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;
    }
    const ssize_t n = ::recv(fd_, data, length, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

bool SocketConnection::request(MessageKind kind, const std::vector<std::uint8_t>& payload,
                               std::vector<std::uint8_t>& reply) {
  std::lock_guard lock(mu_);
  return requestLocked(kind, payload, reply);
}

bool SocketConnection::requestLocked(MessageKind kind, const std::vector<std::uint8_t>& payload,
                                     std::vector<std::uint8_t>& reply) {
  reply.clear();
  if (lost_) return false;
  if (payload.size() > maxRequestPayload(kind)) return false;  // ours to keep in bounds
  const std::vector<std::uint8_t> frame = encodeFrame(static_cast<std::uint16_t>(kind), payload);
  if (!sendAll(frame.data(), frame.size())) {
    takeRefusalLocked(nullptr);
    loseLocked(refusal_.empty() ? "the server is gone" : "the server refused the connection: " + refusal_);
    return false;
  }
  std::uint8_t head[kFrameHeaderSize];
  if (!receiveAll(head, sizeof head)) {
    loseLocked("no answer from the server");
    return false;
  }
  const std::optional<FrameHeader> h = decodeHeader(head);
  if (h && h->kind == kRefusalKind) {
    takeRefusalLocked(&*h);
    loseLocked("the server refused the connection: " + (refusal_.empty() ? std::string("no reason given") : refusal_));
    return false;
  }
  const auto wanted = static_cast<std::uint16_t>(static_cast<std::uint16_t>(kind) | kReplyBit);
  if (!h || h->kind != wanted || h->length > maxReplyPayload(kind)) {
    loseLocked("a malformed answer from the server");
    return false;
  }
  reply.resize(h->length);
  if (!receiveAll(reply.data(), reply.size())) {
    reply.clear();
    loseLocked("the server is gone in the middle of an answer");
    return false;
  }
  return true;
}

Result<void> SocketConnection::inject(std::string_view lines) {
  if (lines.size() > kMaxInjectBytes) {
    return Unexpected("more than " + std::to_string(kMaxInjectBytes) + " bytes of events");
  }
  if (lines.empty()) return Unexpected("no event given");
  std::vector<std::uint8_t> payload(lines.begin(), lines.end());
  std::vector<std::uint8_t> reply;
  if (!request(MessageKind::Inject, payload, reply) || reply.empty()) {
    return Unexpected("lost the connection to the server at " + path_);
  }
  if (reply[0] == 1) return {};
  return Unexpected(std::string(reply.begin() + 1, reply.end()));
}

// ---- NT storage stack ----------------------------------------------------------------

namespace {

bool wireHandle(DeviceHandle handle, std::vector<std::uint8_t>& payload) {
  if (handle <= 0 || handle >= static_cast<DeviceHandle>(kWireInvalidHandle)) return false;
  appendLe32(payload, static_cast<std::uint32_t>(handle));
  return true;
}

}  // namespace

std::uint32_t SocketNtStorage::queryDosDevice(std::string_view dosName, char* buffer,
                                              std::uint32_t capacity) {
  // Names that cannot travel are no DOS names of a port either.
  if (buffer == nullptr || dosName.empty() || dosName.size() > kMaxDosNameBytes) return 0;
  std::vector<std::uint8_t> payload;
  appendLe32(payload, capacity);
  appendBytes(payload, dosName.data(), dosName.size());
  std::vector<std::uint8_t> reply;
  if (!connection_.request(MessageKind::QueryDosDevice, payload, reply) || reply.size() < 4) {
    return 0;
  }
  const std::uint32_t n = loadLe32(reply.data());
  if (n == 0 || n > capacity || n != reply.size() - 4) return 0;
  std::memcpy(buffer, reply.data() + 4, n);
  return n;
}

DeviceHandle SocketNtStorage::createFile(std::string_view path) {
  if (path.empty() || path.size() > kMaxPortPathBytes) return kInvalidHandle;
  std::vector<std::uint8_t> payload(path.begin(), path.end());
  std::vector<std::uint8_t> reply;
  if (!connection_.request(MessageKind::CreateFile, payload, reply) || reply.size() != 4) {
    return kInvalidHandle;
  }
  const std::uint32_t h = loadLe32(reply.data());
  return h == kWireInvalidHandle || h == 0 ? kInvalidHandle : static_cast<DeviceHandle>(h);
}

bool SocketNtStorage::miniportControl(DeviceHandle handle, std::uint8_t* inOut,
                                      std::uint32_t size) {
  std::vector<std::uint8_t> payload;
  if (inOut == nullptr || !wireHandle(handle, payload)) return false;
  const std::size_t carried = std::min<std::size_t>(size, kMaxWirePacket);
  appendBytes(payload, inOut, carried);
  std::vector<std::uint8_t> reply;
  if (!connection_.request(MessageKind::Miniport, payload, reply) || reply.empty()) return false;
  if (reply[0] != 1) return false;
  if (reply.size() != 1 + carried) return false;
  std::memcpy(inOut, reply.data() + 1, carried);
  return true;
}

bool SocketNtStorage::rescanBus(DeviceHandle handle) {
  std::vector<std::uint8_t> payload;
  if (!wireHandle(handle, payload)) return false;
  std::vector<std::uint8_t> reply;
  return connection_.request(MessageKind::RescanBus, payload, reply) && reply.size() == 1 &&
         reply[0] == 1;
}

void SocketNtStorage::closeHandle(DeviceHandle handle) {
  std::vector<std::uint8_t> payload;
  if (!wireHandle(handle, payload)) return;
  std::vector<std::uint8_t> reply;
  connection_.request(MessageKind::CloseHandle, payload, reply);
}

// ---- ASPI ----------------------------------------------------------------------------

bool SocketAspiDevice::handleAspiCdb77(int adapter, int target, std::uint8_t* buffer,
                                       std::size_t length) {
  if (buffer == nullptr || !isAspiLength(length) || adapter < 0 || adapter > 255 || target < 0 ||
      target > 255) {
    return false;
  }
  std::vector<std::uint8_t> payload;
  payload.push_back(static_cast<std::uint8_t>(adapter));
  payload.push_back(static_cast<std::uint8_t>(target));
  appendBytes(payload, buffer, length);
  std::vector<std::uint8_t> reply;
  if (!connection_.request(MessageKind::Aspi, payload, reply) || reply.empty()) return false;
  if (reply[0] != 1 || reply.size() != 1 + length) return false;
  std::memcpy(buffer, reply.data() + 1, length);
  return true;
}

int socketAspiBackend(void* connection, std::uint8_t adapter, std::uint8_t target,
                      const aspi::SRB_ExecSCSICmd*, std::uint8_t* buffer, std::uint32_t length) {
  if (connection == nullptr) return 0;
  SocketAspiDevice device(*static_cast<SocketConnection*>(connection));
  return device.handleAspiCdb77(adapter, target, buffer, length) ? 1 : 0;
}

}  // namespace raidmon::emu
