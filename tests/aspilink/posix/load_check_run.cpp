#include "aspilink/load_check_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace raidmon::test {

const char* const kLoadCheckProgram = "aspilink_load_check";

std::pair<int, std::string> runLoadCheck(const std::filesystem::path& program,
                                         const std::string& library,
                                         const std::filesystem::path& dir) {
  const std::filesystem::path err = dir / "err.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (e < 0 || dup2(e, STDERR_FILENO) < 0) _exit(90);
    execl(program.c_str(), program.c_str(), library.c_str(), static_cast<char*>(nullptr));
    _exit(91);
  }
  int status = 0;
  bool ended = false;
  if (pid > 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!ended && std::chrono::steady_clock::now() < deadline) {
      const pid_t got = waitpid(pid, &status, WNOHANG);
      if (got == pid) ended = true;
      else if (got < 0) break;
      else std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
  }
  std::stringstream text;
  text << std::ifstream(err).rdbuf();
  return {ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

}  // namespace raidmon::test
