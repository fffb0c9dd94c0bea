#include "platform/instance_lock.h"

#include <windows.h>

namespace raidmon {

namespace {

// Locks on this system keep others from reading the locked bytes, so the lock is
// taken on one byte far past the holder's process id, which stays readable.
constexpr DWORD kLockOffsetHigh = 0x100;

HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd)); }

std::string systemError(const std::string& path, DWORD error) {
  return path + ": system error " + std::to_string(error);
}

// The process id the holder wrote, digits only and short, or empty.
std::string readHolder(HANDLE h) {
  char buffer[24] = {};
  DWORD n = 0;
  OVERLAPPED at{};
  if (!ReadFile(h, buffer, sizeof buffer - 1, &n, &at) || n == 0) return {};
  std::string text;
  for (DWORD i = 0; i < n && buffer[i] != '\n' && buffer[i] != '\r'; ++i) {
    if (buffer[i] < '0' || buffer[i] > '9') return {};
    text += buffer[i];
  }
  return text.size() <= 10 ? text : std::string();
}

}  // namespace

InstanceLock::Acquisition InstanceLock::acquire(const std::string& path) {
  Acquisition result;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
    result.error = path + ": not a regular file";
    return result;
  }
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  // A lock file another user made can still be locked through a read-only open.
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
    h = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                    nullptr);
  }
  if (h == INVALID_HANDLE_VALUE) {
    result.error = systemError(path, GetLastError());
    return result;
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    result.error = path + ": not a regular file";
    return result;
  }
  OVERLAPPED lockAt{};
  lockAt.OffsetHigh = kLockOffsetHigh;
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &lockAt)) {
    const DWORD err = GetLastError();
    if (err == ERROR_LOCK_VIOLATION || err == ERROR_IO_PENDING) {
      result.outcome = Outcome::HeldByOther;
      result.holder = readHolder(h);
    } else {
      result.error = systemError(path, err);
    }
    CloseHandle(h);
    return result;
  }
  const std::string pid = std::to_string(GetCurrentProcessId()) + "\n";
  LARGE_INTEGER start{};
  if (SetFilePointerEx(h, start, nullptr, FILE_BEGIN) && SetEndOfFile(h)) {
    DWORD written = 0;
    WriteFile(h, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
  }
  result.outcome = Outcome::Taken;
  // Handle values fit in 32 bits on every Windows, 64-bit ones included.
  result.lock.reset(new InstanceLock(static_cast<int>(reinterpret_cast<std::intptr_t>(h))));
  return result;
}

InstanceLock::~InstanceLock() { CloseHandle(handleOf(fd_)); }

}  // namespace raidmon
