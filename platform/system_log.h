// Where raidmond's records for the system log go: on Linux syslog(3) as the
// "raidmond" daemon, or RFC 3164 datagrams to a Unix socket the caller names (a log
// daemon listening elsewhere, or a test reading them); on Windows the Application
// event log, source "raidmond".
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

class SystemLog {
 public:
  virtual ~SystemLog() = default;
  // Sends one record; a record that cannot be delivered is dropped (monitoring goes on).
  virtual void send(LogSeverity severity, std::string_view message) = 0;
};

// The system's own log for the object's life: syslog(3) with
// openlog("raidmond", LOG_PID, LOG_DAEMON); on Windows RegisterEventSourceA(nullptr,
// "raidmond") and one ReportEventA per record, errors as error events, warnings as
// warning events and notices as information events. Fails when the log cannot be
// opened.
Result<std::unique_ptr<SystemLog>> openSystemLog();

// RFC 3164 records, "<PRI>Mmm dd hh:mm:ss raidmond[pid]: message" with the daemon
// facility, one datagram each, to the Unix datagram socket `path`; a record that finds
// the socket's queue full waits up to half a second for room. Fails when no
// socket can be made or the path does not fit a socket address, and on Windows, which
// has no such log sockets.
Result<std::unique_ptr<SystemLog>> openDatagramLog(const std::string& path);

// The priority value of a record: the daemon facility (3) and the severity.
inline int syslogPriority(LogSeverity severity) { return (3 << 3) | static_cast<int>(severity); }

}  // namespace raidmon
