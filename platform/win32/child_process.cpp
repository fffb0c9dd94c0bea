#include "platform/child_process.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace raidmon {

namespace {

// One argument quoted so that the C runtime's command-line parser gives it back as it
// is: backslashes are literal except before a double quote, where they are doubled.
void appendQuoted(std::string& line, const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    line += arg;
    return;
  }
  line += '"';
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') line.append(2 * backslashes + 1, '\\');
    else line.append(backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, '\\');
  line += '"';
}

std::string systemError(DWORD error) { return "system error " + std::to_string(error); }

}  // namespace

const char* const* inheritedEnvironment() { return _environ; }

std::optional<ChildProcess> ChildProcess::start(const std::vector<std::string>& argv,
                                                const std::vector<std::string>& env, std::string& error) {
  if (argv.empty() || argv[0].empty()) {
    error = "no program given";
    return std::nullopt;
  }
  std::string commandLine;
  for (const std::string& a : argv) {
    if (!commandLine.empty()) commandLine += ' ';
    appendQuoted(commandLine, a);
  }
  // NAME=VALUE entries, each ending in NUL, and one NUL more.
  std::string block;
  for (const std::string& e : env) {
    if (e.empty() || e.find('\0') != std::string::npos) continue;
    block.append(e).push_back('\0');
  }
  block.push_back('\0');
  if (env.empty()) block.push_back('\0');

  // Standard input reads NUL; standard output and error go where ours go to standard
  // error. Only these two handles are inherited.
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                           OPEN_EXISTING, 0, nullptr);
  HANDLE err = nullptr;
  const HANDLE ours = GetStdHandle(STD_ERROR_HANDLE);
  if (ours && ours != INVALID_HANDLE_VALUE) {
    DuplicateHandle(GetCurrentProcess(), ours, GetCurrentProcess(), &err, 0, TRUE, DUPLICATE_SAME_ACCESS);
  }
  HANDLE inherit[2];
  DWORD inheritCount = 0;
  if (nul != INVALID_HANDLE_VALUE) inherit[inheritCount++] = nul;
  if (err) inherit[inheritCount++] = err;

  SIZE_T attrSize = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &attrSize);
  std::string attrStorage(attrSize, '\0');
  auto* attrs = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attrStorage.data());
  const bool haveAttrs = InitializeProcThreadAttributeList(attrs, 1, 0, &attrSize) &&
                         (inheritCount == 0 ||
                          UpdateProcThreadAttribute(attrs, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherit,
                                                    inheritCount * sizeof(HANDLE), nullptr, nullptr));
  STARTUPINFOEXA startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = nul != INVALID_HANDLE_VALUE ? nul : nullptr;
  startup.StartupInfo.hStdOutput = err;
  startup.StartupInfo.hStdError = err;
  if (haveAttrs) startup.lpAttributeList = attrs;

  // Started suspended so that it is in its group before it can start anything itself.
  PROCESS_INFORMATION info{};
  const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | (haveAttrs ? EXTENDED_STARTUPINFO_PRESENT : 0);
  const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, inheritCount > 0, flags,
                                      block.data(), nullptr, &startup.StartupInfo, &info);
  const DWORD startError = started ? 0 : GetLastError();
  if (haveAttrs) DeleteProcThreadAttributeList(attrs);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (err) CloseHandle(err);
  if (!started) {
    error = argv[0] + ": " + systemError(startError);
    return std::nullopt;
  }
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (job && !AssignProcessToJobObject(job, info.hProcess)) {
    CloseHandle(job);
    job = nullptr;
  }
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  ChildProcess child(static_cast<pid_t>(info.dwProcessId));
  child.process_ = info.hProcess;
  child.group_ = job;
  return child;
}

ChildProcess::~ChildProcess() {
  if (process_) {
    if (pid_ > 0) {
      if (group_) TerminateJobObject(static_cast<HANDLE>(group_), 1);
      TerminateProcess(static_cast<HANDLE>(process_), 1);
      WaitForSingleObject(static_cast<HANDLE>(process_), INFINITE);
    }
    CloseHandle(static_cast<HANDLE>(process_));
  }
  if (group_) CloseHandle(static_cast<HANDLE>(group_));
}

std::optional<ChildExit> ChildProcess::poll() {
  if (pid_ <= 0 || !process_) return std::nullopt;
  if (WaitForSingleObject(static_cast<HANDLE>(process_), 0) != WAIT_OBJECT_0) return std::nullopt;
  pid_ = -1;
  DWORD code = 0;
  if (endedBy_ != 0) return ChildExit{false, endedBy_};
  if (!GetExitCodeProcess(static_cast<HANDLE>(process_), &code)) return ChildExit{false, 0};
  return ChildExit{true, static_cast<int>(code)};
}

// There are no signals to send: any of them ends the child and what it started.
void ChildProcess::signal(int sig) {
  if (pid_ <= 0 || !process_) return;
  if (WaitForSingleObject(static_cast<HANDLE>(process_), 0) == WAIT_OBJECT_0) return;
  endedBy_ = sig;
  if (group_) TerminateJobObject(static_cast<HANDLE>(group_), 128 + static_cast<UINT>(sig));
  TerminateProcess(static_cast<HANDLE>(process_), 128 + static_cast<UINT>(sig));
}

std::string handOverTo(const std::string& program, const std::vector<std::string>& args) {
  const std::string file = program + ".exe";
  std::string commandLine;
  appendQuoted(commandLine, file);
  for (const std::string& a : args) {
    commandLine += ' ';
    appendQuoted(commandLine, a);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(file.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
    return systemError(::GetLastError());
  }
  ::CloseHandle(process.hThread);
  // Ctrl+C and Ctrl+Break reach both programs on the console: the one handed over to
  // decides what they do.
  ::SetConsoleCtrlHandler(nullptr, TRUE);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hProcess);
  ::ExitProcess(status);
}

}  // namespace raidmon
