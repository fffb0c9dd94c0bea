// The 2076-byte control packet exchanged with the controller's driver: a 28-byte
// SRB_IO_CONTROL-style header and a 2048-byte data area, plus the control codes.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/nt_storage_stack.h"
#include "protocol/byte_order.h"

namespace raidmon {

inline constexpr std::size_t kPacketSize = 2076;
inline constexpr std::size_t kHeaderSize = 28;
inline constexpr std::size_t kDataSize = 2048;

// Header field offsets.
inline constexpr std::size_t kOffHeaderLength = 0;
inline constexpr std::size_t kOffSignature = 4;
inline constexpr std::size_t kOffTimeout = 12;
inline constexpr std::size_t kOffControlCode = 16;
inline constexpr std::size_t kOffReturnCode = 20;
inline constexpr std::size_t kOffLength = 24;

// The header is the miniport request's header on the NT storage stack, field by field.
static_assert(kHeaderSize == kSrbIoControlSize);
static_assert(kOffHeaderLength == kSrbHeaderLengthOffset && kOffSignature == kSrbSignatureOffset &&
              kOffTimeout == kSrbTimeoutOffset && kOffControlCode == kSrbControlCodeOffset &&
              kOffReturnCode == kSrbReturnCodeOffset && kOffLength == kSrbLengthOffset);

inline constexpr std::uint32_t kPacketTimeout = 100;
inline constexpr std::uint32_t kReturnCodeUnset = 0xFF;
// The driver's verdict in ReturnCode: 1 = done (a transfer copied, a rebuild begun or
// ended), 0 = not done. A request is done only when it went through and says so.
inline constexpr std::uint32_t kReturnCodeDone = 1;
inline constexpr std::uint32_t kReturnCodeNotDone = 0;
inline constexpr std::string_view kSignatureKorvane = "korvane";
inline constexpr std::string_view kSignaturePobek = "pobek";

// Control codes.
inline constexpr std::uint32_t CTL_PROBE = 0x80018001;
inline constexpr std::uint32_t CTL_READ_CONFIG = 0x80018002;
inline constexpr std::uint32_t CTL_TRANSFER = 0x80018004;
inline constexpr std::uint32_t CTL_READ_STATUS = 0x80018008;
inline constexpr std::uint32_t CTL_REBUILD_BEGIN = 0x80018010;
inline constexpr std::uint32_t CTL_UNNAMED_20 = 0x80018020;   // forwarded by the bridge only
inline constexpr std::uint32_t CTL_REBUILD_END = 0x80018080;
inline constexpr std::uint32_t CTL_UNNAMED_100 = 0x80018100;  // forwarded by the bridge only
inline constexpr std::uint32_t CTL_PLUG_BACKUP = 0x80020000;
// One-byte flash operation codes.
inline constexpr std::uint32_t FLASH_OP_04 = 0x04;
inline constexpr std::uint32_t FLASH_OP_10 = 0x10;
inline constexpr std::uint32_t FLASH_OP_40 = 0x40;
inline constexpr std::uint32_t FLASH_OP_80 = 0x80;

// One control packet. Accessors are bounds-safe: a data offset past the data area
// reads 0 and writes nothing (callers index with constants, this is a last guard).
class ControlPacket {
 public:
  std::array<std::uint8_t, kPacketSize> bytes{};

  std::uint8_t* raw() { return bytes.data(); }
  const std::uint8_t* raw() const { return bytes.data(); }
  std::uint8_t* data() { return bytes.data() + kHeaderSize; }
  const std::uint8_t* data() const { return bytes.data() + kHeaderSize; }

  std::uint32_t headerLength() const { return loadLe32(raw() + kOffHeaderLength); }
  std::uint32_t timeout() const { return loadLe32(raw() + kOffTimeout); }
  std::uint32_t controlCode() const { return loadLe32(raw() + kOffControlCode); }
  std::uint32_t returnCode() const { return loadLe32(raw() + kOffReturnCode); }
  std::uint32_t length() const { return loadLe32(raw() + kOffLength); }
  std::string_view signature() const;  // up to the first zero of the 8-byte field

  // The controller's verdict on the request the packet carried: done (1), or answered
  // "not done" (0); any other value is neither.
  bool controllerDone() const { return returnCode() == kReturnCodeDone; }
  bool controllerSaidNotDone() const { return returnCode() == kReturnCodeNotDone; }

  void setReturnCode(std::uint32_t v) { storeLe32(raw() + kOffReturnCode, v); }
  void setControlCode(std::uint32_t v) { storeLe32(raw() + kOffControlCode, v); }
  void setLength(std::uint32_t v) { storeLe32(raw() + kOffLength, v); }

  std::uint8_t data8(std::size_t off) const { return off < kDataSize ? data()[off] : 0; }
  std::uint16_t data16(std::size_t off) const {
    return off + 2 <= kDataSize ? loadLe16(data() + off) : 0;
  }
  std::uint32_t data32(std::size_t off) const {
    return off + 4 <= kDataSize ? loadLe32(data() + off) : 0;
  }
  void setData8(std::size_t off, std::uint8_t v) {
    if (off < kDataSize) data()[off] = v;
  }
  void setData16(std::size_t off, std::uint16_t v) {
    if (off + 2 <= kDataSize) storeLe16(data() + off, v);
  }
  void setData32(std::size_t off, std::uint32_t v) {
    if (off + 4 <= kDataSize) storeLe32(data() + off, v);
  }

  void clear() { bytes.fill(0); }
  void clearData() { std::fill(bytes.begin() + kHeaderSize, bytes.end(), std::uint8_t{0}); }

  // Writes the header as the direct sender does before every exchange: header length
  // 28, "korvane" and a zero, timeout 100, the code, return code 0xFF, the length.
  // The data area is left exactly as the caller prepared it.
  void fillDirectHeader(std::uint32_t code, std::uint32_t length);
};

}  // namespace raidmon
