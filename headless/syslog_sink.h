// Where raidmond's records for the system log go: syslog(3) as the "raidmond" daemon,
// or RFC 3164 datagrams to a Unix socket the caller names (a log daemon listening
// elsewhere, or a test reading them).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace raidmon {

// Severities as syslog numbers them.
enum class LogSeverity : int {
  Error = 3,
  Warning = 4,
  Notice = 5,
};

class SyslogSink {
 public:
  virtual ~SyslogSink() = default;
  // Sends one record; a record that cannot be delivered is dropped (monitoring goes on).
  virtual void send(LogSeverity severity, std::string_view message) = 0;
};

// syslog(3): openlog("raidmond", LOG_PID, LOG_DAEMON) for the object's life.
std::unique_ptr<SyslogSink> openSystemLog();

// RFC 3164 records, "<PRI>Mmm dd hh:mm:ss raidmond[pid]: message" with the daemon
// facility, one datagram each, to the Unix datagram socket `path`; a record that finds
// the socket's queue full waits up to half a second for room. Fails when no
// socket can be made or the path does not fit a socket address.
Result<std::unique_ptr<SyslogSink>> openDatagramLog(const std::string& path);

// The priority value of a record: the daemon facility and the severity.
int syslogPriority(LogSeverity severity);

}  // namespace raidmon
