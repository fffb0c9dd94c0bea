#include "emulator/socket_protocol.h"

#include <array>
#include <cstring>

#include "protocol/byte_order.h"

namespace raidmon::emu {

std::optional<MessageKind> requestKind(std::uint16_t raw) {
  switch (raw) {
    case static_cast<std::uint16_t>(MessageKind::Hello):
    case static_cast<std::uint16_t>(MessageKind::QueryDosDevice):
    case static_cast<std::uint16_t>(MessageKind::CreateFile):
    case static_cast<std::uint16_t>(MessageKind::Miniport):
    case static_cast<std::uint16_t>(MessageKind::RescanBus):
    case static_cast<std::uint16_t>(MessageKind::CloseHandle):
    case static_cast<std::uint16_t>(MessageKind::Aspi):
    case static_cast<std::uint16_t>(MessageKind::Inject):
      return static_cast<MessageKind>(raw);
    default:
      return std::nullopt;
  }
}

std::size_t minRequestPayload(MessageKind kind) {
  switch (kind) {
    case MessageKind::Hello: return 8;
    case MessageKind::QueryDosDevice: return 4 + 1;
    case MessageKind::CreateFile: return 1;
    case MessageKind::Miniport: return 4;
    case MessageKind::RescanBus: return 4;
    case MessageKind::CloseHandle: return 4;
    case MessageKind::Aspi: return 2 + 48;
    case MessageKind::Inject: return 1;
  }
  return 0;
}

std::size_t maxRequestPayload(MessageKind kind) {
  switch (kind) {
    case MessageKind::Hello: return 8;
    case MessageKind::QueryDosDevice: return 4 + kMaxDosNameBytes;
    case MessageKind::CreateFile: return kMaxPortPathBytes;
    case MessageKind::Miniport: return 4 + kMaxWirePacket;
    case MessageKind::RescanBus: return 4;
    case MessageKind::CloseHandle: return 4;
    case MessageKind::Aspi: return 2 + kMaxWirePacket;
    case MessageKind::Inject: return kMaxInjectBytes;
  }
  return 0;
}

std::size_t maxReplyPayload(MessageKind kind) {
  switch (kind) {
    case MessageKind::Hello: return 8;
    case MessageKind::QueryDosDevice: return 4 + kMaxDosReplyBytes;
    case MessageKind::CreateFile: return 4;
    case MessageKind::Miniport: return 1 + kMaxWirePacket;
    case MessageKind::RescanBus: return 1;
    case MessageKind::CloseHandle: return 0;
    case MessageKind::Aspi: return 1 + kMaxWirePacket;
    case MessageKind::Inject: return 1 + kMaxInjectReplyBytes;
  }
  return 0;
}

bool isAspiLength(std::size_t length) {
  for (std::size_t l : kAspiLengths) {
    if (l == length) return true;
  }
  return false;
}

std::array<std::uint8_t, kFrameHeaderSize> encodeHeader(std::uint16_t kind, std::uint32_t length) {
  std::array<std::uint8_t, kFrameHeaderSize> h{};
  storeLe16(h.data(), kind);
  storeLe16(h.data() + 2, 0);
  storeLe32(h.data() + 4, length);
  return h;
}

std::optional<FrameHeader> decodeHeader(const std::uint8_t* bytes) {
  if (loadLe16(bytes + 2) != 0) return std::nullopt;
  return FrameHeader{loadLe16(bytes), loadLe32(bytes + 4)};
}

std::vector<std::uint8_t> encodeFrame(std::uint16_t kind, const std::uint8_t* payload,
                                      std::size_t length) {
  std::vector<std::uint8_t> out(kFrameHeaderSize + length);
  const auto h = encodeHeader(kind, static_cast<std::uint32_t>(length));
  std::memcpy(out.data(), h.data(), h.size());
  if (length > 0) std::memcpy(out.data() + kFrameHeaderSize, payload, length);
  return out;
}

void appendLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::uint8_t b[4];
  storeLe32(b, v);
  out.insert(out.end(), b, b + 4);
}

void appendBytes(std::vector<std::uint8_t>& out, const void* data, std::size_t length) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  out.insert(out.end(), p, p + length);
}

std::vector<std::uint8_t> helloPayload() {
  std::vector<std::uint8_t> p;
  appendBytes(p, kSocketMagic.data(), kSocketMagic.size());
  appendLe32(p, kSocketProtocolVersion);
  return p;
}

bool isHelloPayload(const std::uint8_t* payload, std::size_t length) {
  return length == 8 && std::memcmp(payload, kSocketMagic.data(), 4) == 0 &&
         loadLe32(payload + 4) == kSocketProtocolVersion;
}

}  // namespace raidmon::emu
