#include "link/packet_timeout.h"

#include <cstdlib>
#include <string>

#include "link/control_packet.h"

namespace raidmon {

std::chrono::milliseconds packetTimeout() {
  const std::chrono::milliseconds fallback{std::int64_t{kPacketTimeout} * 1000};
  const char* text = std::getenv(std::string(kPacketTimeoutVariable).c_str());
  if (text == nullptr || *text == '\0') return fallback;
  constexpr long long kMaxMs = 86'400'000;
  long long ms = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return fallback;
    ms = ms * 10 + (*p - '0');
    if (ms > kMaxMs) return fallback;
  }
  return ms >= 1 ? std::chrono::milliseconds{ms} : fallback;
}

}  // namespace raidmon
