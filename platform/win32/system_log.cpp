#include "platform/system_log.h"

#include <windows.h>

namespace raidmon {

namespace {

constexpr const char* kSource = "raidmond";

WORD eventType(LogSeverity severity) {
  switch (severity) {
    case LogSeverity::Error: return EVENTLOG_ERROR_TYPE;
    case LogSeverity::Warning: return EVENTLOG_WARNING_TYPE;
    case LogSeverity::Notice: break;
  }
  return EVENTLOG_INFORMATION_TYPE;
}

// The Application log under the source "raidmond". No message file is registered:
// each record carries its text as its one insertion string, under event id 1 (the
// event viewer shows the text beside its note that the id has no description).
class EventLog final : public SystemLog {
 public:
  explicit EventLog(HANDLE source) : source_(source) {}
  ~EventLog() override { ::DeregisterEventSource(source_); }
  void send(LogSeverity severity, std::string_view message) override {
    const std::string text(message);
    const char* strings[] = {text.c_str()};
    ::ReportEventA(source_, eventType(severity), 0, 1, nullptr, 1, 0, strings, nullptr);
  }

 private:
  HANDLE source_;
};

}  // namespace

Result<std::unique_ptr<SystemLog>> openSystemLog() {
  HANDLE source = ::RegisterEventSourceA(nullptr, kSource);
  if (source == nullptr) {
    return Unexpected("cannot open the event log (RegisterEventSourceA, error " + std::to_string(::GetLastError()) +
                      ")");
  }
  return std::unique_ptr<SystemLog>(std::make_unique<EventLog>(source));
}

Result<std::unique_ptr<SystemLog>> openDatagramLog(const std::string&) {
  return Unexpected(std::string("--syslog-socket: Windows has no log sockets; records go to the event log"));
}

}  // namespace raidmon
