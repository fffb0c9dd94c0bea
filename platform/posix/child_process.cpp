#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace raidmon {

const char* const* inheritedEnvironment() { return environ; }

std::optional<ChildProcess> ChildProcess::start(const std::vector<std::string>& argv,
                                                const std::vector<std::string>& env, std::string& error) {
  if (argv.empty() || argv[0].empty()) {
    error = "no program given";
    return std::nullopt;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 2, 1);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setpgroup(&attr, 0);
  // The child starts with default signal handling and nothing blocked, whatever the
  // monitor set for itself.
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), envp.data());
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    error = argv[0] + ": " + std::strerror(rc);
    return std::nullopt;
  }
  return ChildProcess(pid);
}

ChildProcess::~ChildProcess() {
  if (pid_ <= 0) return;
  ::kill(-pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
}

std::optional<ChildExit> ChildProcess::poll() {
  if (pid_ <= 0) return std::nullopt;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return std::nullopt;
  pid_ = -1;
  if (r < 0) return ChildExit{false, 0};  // reaped elsewhere: no status to tell
  if (WIFEXITED(status)) return ChildExit{true, WEXITSTATUS(status)};
  return ChildExit{false, WIFSIGNALED(status) ? WTERMSIG(status) : 0};
}

void ChildProcess::signal(int sig) {
  if (pid_ > 0) ::kill(-pid_, sig);
}

std::string handOverTo(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  return std::strerror(errno);
}

}  // namespace raidmon
