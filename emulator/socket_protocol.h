// The wire format between k4emu's server and its clients: framed little-endian
// messages on a Unix stream socket, with the limits both sides check (docs/emulator.md).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace raidmon::emu {

inline constexpr std::uint32_t kSocketProtocolVersion = 1;
inline constexpr std::string_view kSocketMagic = "K4EM";

// Every message starts with this header: kind (u16), reserved zero (u16), payload
// length (u32), all little-endian. A reply carries the request's kind | kReplyBit.
inline constexpr std::size_t kFrameHeaderSize = 8;
inline constexpr std::uint16_t kReplyBit = 0x80;

enum class MessageKind : std::uint16_t {
  Hello = 0x01,           // magic "K4EM", u32 version -> the same back
  QueryDosDevice = 0x02,  // u32 capacity, name -> u32 count, count bytes
  CreateFile = 0x03,      // path -> u32 handle (kWireInvalidHandle: none)
  Miniport = 0x04,        // u32 handle, packet (0..2076) -> u8 ok, packet when ok
  RescanBus = 0x05,       // u32 handle -> u8 ok
  CloseHandle = 0x06,     // u32 handle -> nothing
  Aspi = 0x07,            // u8 adapter, u8 target, buffer (48/180/2076) -> u8 ok, buffer when ok
  Inject = 0x08,          // event lines -> u8 ok, message text
};

// Sent by the server in place of a reply, or unasked, when it will not serve a
// connection (too many clients, no hello in time): the reason as text, then the server
// closes the connection.
inline constexpr std::uint16_t kRefusalKind = 0xFF;
inline constexpr std::size_t kMaxRefusalBytes = 256;

inline constexpr std::uint32_t kWireInvalidHandle = 0xFFFFFFFFu;
inline constexpr std::size_t kMaxDosNameBytes = 64;
inline constexpr std::size_t kMaxPortPathBytes = 260;
inline constexpr std::size_t kMaxDosReplyBytes = 1024;
inline constexpr std::size_t kMaxWirePacket = 2076;
inline constexpr std::size_t kMaxInjectBytes = 64 * 1024;
inline constexpr std::size_t kMaxInjectReplyBytes = 4096;
// The ASPI buffer lengths the bridge uses: flash transfer, flash packet, whole packet.
inline constexpr std::size_t kAspiLengths[] = {48, 180, 2076};

struct FrameHeader {
  std::uint16_t kind = 0;
  std::uint32_t length = 0;
};

// The kind if `raw` names a request this protocol knows, else nullopt.
std::optional<MessageKind> requestKind(std::uint16_t raw);

// Smallest and largest payload of a request or of the reply to it.
std::size_t minRequestPayload(MessageKind kind);
std::size_t maxRequestPayload(MessageKind kind);
std::size_t maxReplyPayload(MessageKind kind);

bool isAspiLength(std::size_t length);

// Header bytes for a frame of `kind` with `length` payload bytes.
std::array<std::uint8_t, kFrameHeaderSize> encodeHeader(std::uint16_t kind, std::uint32_t length);
// Reads a header; nullopt when the reserved field is not zero.
std::optional<FrameHeader> decodeHeader(const std::uint8_t* bytes);

// A whole frame: header then payload.
std::vector<std::uint8_t> encodeFrame(std::uint16_t kind, const std::uint8_t* payload,
                                      std::size_t length);
inline std::vector<std::uint8_t> encodeFrame(std::uint16_t kind,
                                             const std::vector<std::uint8_t>& payload) {
  return encodeFrame(kind, payload.data(), payload.size());
}

// Small helpers that build payloads in wire order.
void appendLe32(std::vector<std::uint8_t>& out, std::uint32_t v);
void appendBytes(std::vector<std::uint8_t>& out, const void* data, std::size_t length);
std::vector<std::uint8_t> helloPayload();
// True when `payload` is a hello of this protocol's magic and version.
bool isHelloPayload(const std::uint8_t* payload, std::size_t length);

}  // namespace raidmon::emu
