// The alert program: the command an operator configures ([Alert] Program= in
// "QZ133.ini", or --alert-program=CMD) to be run for every drive event, rebuild
// outcome and flash outcome, the facts it is given in its environment, and one run of
// it for a test.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "monitor/alert_sink.h"
#include "platform/child_process.h"

namespace raidmon {

inline constexpr std::string_view kAlertSection = "Alert";
inline constexpr std::string_view kAlertProgramKey = "Program";
// How long one run may take before it is ended (SIGTERM, then SIGKILL after the grace).
inline constexpr std::chrono::milliseconds kAlertTimeLimit{30000};
inline constexpr std::chrono::milliseconds kAlertKillGrace{2000};
inline constexpr int kAlertsAtOnce = 4;

// Exit statuses of --test-alert (beside 0: the program ran and exited 0). They follow
// the program's own statuses 1 to 3.
inline constexpr int kExitAlertNotConfigured = 4;
inline constexpr int kExitAlertCannotStart = 5;
inline constexpr int kExitAlertFailed = 6;   // a non-zero exit status, or a signal
inline constexpr int kExitAlertTimedOut = 7;  // ended after the time limit

// The command to run: `option` when given (--alert-program), else [Alert] Program from
// "QZ133.ini" in `programDir`; empty when neither is set.
std::string alertCommand(const std::string& programDir, const std::string& option);

// RAIDMON_TIME's form: local time with its offset, "2026-12-07T21:03:05+01:00".
std::string isoTimeWithOffset(std::chrono::system_clock::time_point at);

// The variables an alert program receives (besides the inherited environment):
// RAIDMON_EVENT, RAIDMON_CARD, RAIDMON_POSITION (PM, PS, SM, SS; empty without a
// position), RAIDMON_LOCATION, RAIDMON_MESSAGE, RAIDMON_TIME.
std::vector<std::pair<std::string, std::string>> alertVariables(const AlertFacts& facts,
                                                                 std::chrono::system_clock::time_point at);

// How one run ended.
enum class AlertRunOutcome { Succeeded, CannotStart, Failed, TimedOut };
struct AlertRun {
  AlertRunOutcome outcome = AlertRunOutcome::Succeeded;
  std::string detail;  // why it could not start; "exit status 1"; "ended after 30 s"
};
// "ran", or the detail ("cannot start: ...", "exit status 1", "killed by signal 9",
// "ended after 30 s").
std::string describeAlertRun(const AlertRun& run);

// One run of the program, advanced without waiting: it is started at once (a program
// that cannot start ends the run there), reaped when it ends, sent SIGTERM when its
// limit has passed and SIGKILL when the grace after that has passed too.
class AlertRunner {
 public:
  AlertRunner(const std::vector<std::string>& argv, const std::vector<std::string>& env,
              std::chrono::milliseconds limit, std::chrono::milliseconds grace);
  // The run's result once it is over; nullopt while the program runs.
  std::optional<AlertRun> step(std::chrono::steady_clock::time_point now);

 private:
  std::optional<ChildProcess> child_;
  std::optional<AlertRun> result_;
  std::chrono::milliseconds limit_;
  std::chrono::steady_clock::time_point deadline_;
  std::chrono::steady_clock::time_point killAt_;
  bool ended_ = false;  // SIGTERM sent
};

// The limit as the operator reads it: "30 s", "0.2 s".
std::string limitText(std::chrono::milliseconds limit);

// --test-alert: runs `command` once with RAIDMON_EVENT=test and waits for it (at most
// `limit`, then it is ended). The exit status says how it went (0 or kExitAlert...),
// the message why, for the operator.
struct TestAlertResult {
  int exitStatus = 0;
  std::string message;
};
TestAlertResult runTestAlert(const std::string& command, std::chrono::milliseconds limit = kAlertTimeLimit,
                             std::chrono::milliseconds grace = kAlertKillGrace);

}  // namespace raidmon
