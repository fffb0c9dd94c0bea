// How long one request to the controller may take: the control packet's time-out
// (100 s). Every wait for the controller (the socket's answers, the cancel's wait for
// the packet the rebuild worker holds) is bounded by it.
#pragma once

#include <chrono>
#include <string_view>

namespace raidmon {

// The environment variable that shortens the time-out (whole milliseconds, 1 to
// 86,400,000), for tests and demonstrations of a stalled controller.
inline constexpr std::string_view kPacketTimeoutVariable = "K4_PACKET_TIMEOUT_MS";

// 100 s, or the value of K4_PACKET_TIMEOUT_MS when it holds a valid one.
std::chrono::milliseconds packetTimeout();

}  // namespace raidmon
