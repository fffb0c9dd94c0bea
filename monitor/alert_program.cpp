#include "monitor/alert_program.h"

#include <cstdio>
#include <ctime>
#include <thread>

#include "monitor/config_files.h"
#include "monitor/array_info.h"
#include "platform/child_process.h"
#include "platform/local_time.h"
#include "platform/profile_ini.h"

namespace raidmon {

std::string alertCommand(const std::string& programDir, const std::string& option) {
  if (!option.empty()) return option;
  return getPrivateProfileString(programDir + std::string(kMainIniName), kAlertSection, kAlertProgramKey)
      .value_or("");
}

std::string isoTimeWithOffset(std::chrono::system_clock::time_point at) {
  const std::time_t secs = std::chrono::system_clock::to_time_t(at);
  const std::tm tm = localTime(secs);
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
  const int offset = utcOffsetMinutes(secs);
  const int magnitude = offset < 0 ? -offset : offset;
  char zone[16];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
  return std::string(stamp) + zone;
}

std::vector<std::pair<std::string, std::string>> alertVariables(const AlertFacts& facts,
                                                                 std::chrono::system_clock::time_point at) {
  return {
      {"RAIDMON_EVENT", std::string(alertEventName(facts.event))},
      {"RAIDMON_CARD", facts.card > 0 ? std::to_string(facts.card) : std::string()},
      {"RAIDMON_POSITION", std::string(positionShortName(facts.position - 1))},
      {"RAIDMON_LOCATION", facts.location},
      {"RAIDMON_MESSAGE", facts.message},
      {"RAIDMON_TIME", isoTimeWithOffset(at)},
  };
}

std::string limitText(std::chrono::milliseconds limit) {
  char text[32];
  if (limit.count() % 1000 == 0) {
    std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(limit.count() / 1000));
  } else {
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(limit.count()) / 1000.0);
  }
  return text;
}

std::string describeAlertRun(const AlertRun& run) {
  switch (run.outcome) {
    case AlertRunOutcome::Succeeded: return "ran";
    case AlertRunOutcome::CannotStart: return "cannot start: " + run.detail;
    default: return run.detail;
  }
}

AlertRunner::AlertRunner(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         std::chrono::milliseconds limit, std::chrono::milliseconds grace)
    : limit_(limit) {
  std::string error;
  child_ = ChildProcess::start(argv, env, error);
  if (!child_) result_ = AlertRun{AlertRunOutcome::CannotStart, error};
  deadline_ = std::chrono::steady_clock::now() + limit;
  killAt_ = deadline_ + grace;
}

std::optional<AlertRun> AlertRunner::step(std::chrono::steady_clock::time_point now) {
  if (result_) return result_;
  if (const std::optional<ChildExit> exit = child_->poll()) {
    if (ended_) {
      result_ = AlertRun{AlertRunOutcome::TimedOut, "ended after " + limitText(limit_)};
    } else if (exit->exited && exit->code == 0) {
      result_ = AlertRun{AlertRunOutcome::Succeeded, ""};
    } else if (exit->exited) {
      result_ = AlertRun{AlertRunOutcome::Failed, "exit status " + std::to_string(exit->code)};
    } else {
      result_ = AlertRun{AlertRunOutcome::Failed, "killed by signal " + std::to_string(exit->code)};
    }
    return result_;
  }
  if (!ended_ && now >= deadline_) {
    ended_ = true;
    child_->signal(kSignalTerminate);
  } else if (ended_ && now >= killAt_) {
    child_->signal(kSignalKill);
  }
  return std::nullopt;
}

TestAlertResult runTestAlert(const std::string& command, std::chrono::milliseconds limit,
                             std::chrono::milliseconds grace) {
  if (command.empty()) {
    return {kExitAlertNotConfigured,
            "no alert program is configured: set [Alert] Program= in QZ133.ini or give --alert-program=CMD"};
  }
  std::string error;
  const auto argv = splitCommandLine(command, error);
  if (!argv || argv->empty()) {
    return {kExitAlertCannotStart,
            "the alert program cannot start: " + (argv ? std::string("the command is empty") : error)};
  }
  AlertFacts facts;
  facts.event = AlertEvent::Test;
  facts.message = "raidmon test alert";
  const auto env = buildEnvironment(inheritedEnvironment(), alertVariables(facts, std::chrono::system_clock::now()));
  AlertRunner runner(*argv, env, limit, grace);
  std::optional<AlertRun> run;
  while (!(run = runner.step(std::chrono::steady_clock::now()))) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  switch (run->outcome) {
    case AlertRunOutcome::Succeeded: return {0, "the alert program ran and exited with status 0"};
    case AlertRunOutcome::CannotStart:
      return {kExitAlertCannotStart, "the alert program cannot start: " + run->detail};
    case AlertRunOutcome::Failed: return {kExitAlertFailed, "the alert program failed: " + run->detail};
    case AlertRunOutcome::TimedOut: return {kExitAlertTimedOut, "the alert program was " + run->detail};
  }
  return {kExitAlertFailed, "the alert program failed"};
}

}  // namespace raidmon
