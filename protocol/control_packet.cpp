#include "protocol/control_packet.h"

#include <algorithm>
#include <cstring>

namespace raidmon {

std::string_view ControlPacket::signature() const {
  const char* s = reinterpret_cast<const char*>(raw() + kOffSignature);
  return std::string_view(s, strnlen(s, 8));
}

void ControlPacket::fillDirectHeader(std::uint32_t code, std::uint32_t length) {
  storeLe32(raw() + kOffHeaderLength, static_cast<std::uint32_t>(kHeaderSize));
  std::uint8_t* sig = raw() + kOffSignature;
  std::memset(sig, 0, 8);
  std::memcpy(sig, kSignatureKorvane.data(), kSignatureKorvane.size());
  storeLe32(raw() + kOffTimeout, kPacketTimeout);
  storeLe32(raw() + kOffControlCode, code);
  storeLe32(raw() + kOffReturnCode, kReturnCodeUnset);
  storeLe32(raw() + kOffLength, length);
}

}  // namespace raidmon
