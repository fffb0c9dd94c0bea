#include "protocol/packet_timeout.h"

#include <string>

#include "platform/strict_int.h"
#include "protocol/control_packet.h"

namespace raidmon {

std::chrono::milliseconds packetTimeout() {
  const std::chrono::milliseconds fallback{std::int64_t{kPacketTimeout} * 1000};
  return millisecondsFromEnvironment(std::string(kPacketTimeoutVariable).c_str()).value_or(fallback);
}

}  // namespace raidmon
