#include "aspilink/load_check_run.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace raidmon::test {

const char* const kLoadCheckProgram = "aspilink_load_check.exe";

std::pair<int, std::string> runLoadCheck(const std::filesystem::path& program,
                                         const std::string& library,
                                         const std::filesystem::path& dir) {
  const std::filesystem::path err = dir / "err.txt";
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE errFile = CreateFileA(err.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (errFile == INVALID_HANDLE_VALUE) return {-1, "cannot create " + err.string()};
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = errFile;
  startup.hStdError = errFile;
  std::string commandLine = "\"" + program.string() + "\" \"" + library + "\"";
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(errFile);
  if (!started) return {-1, "cannot start " + program.string()};
  int code = -1;
  if (WaitForSingleObject(process.hProcess, 60'000) == WAIT_OBJECT_0) {
    DWORD exitCode = 0;
    if (GetExitCodeProcess(process.hProcess, &exitCode)) code = static_cast<int>(exitCode);
  } else {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 10'000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::stringstream text;
  text << std::ifstream(err, std::ios::binary).rdbuf();
  return {code, text.str()};
}

}  // namespace raidmon::test
