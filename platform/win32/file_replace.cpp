#include "platform/file_replace.h"

#include <windows.h>

#include <atomic>

namespace raidmon {

namespace {

// Creates a new temporary file beside `fileName`, which only this process writes.
HANDLE createTemporaryBeside(const std::string& fileName, std::string& tempName) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = fileName + ".tmp." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(counter++);
    const HANDLE h = CreateFileA(tempName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
}

bool writeAll(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

bool replaceFileContents(const std::string& fileName, std::string_view text) {
  const DWORD attributes = GetFileAttributesA(fileName.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // The read-only attribute keeps a file from being written: it is left as it is. A
  // directory or a device is not a settings file.
  if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
    return false;
  }
  std::string tempName;
  const HANDLE h = createTemporaryBeside(fileName, tempName);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool written = writeAll(h, text) && FlushFileBuffers(h);
  written = CloseHandle(h) && written;
  // The old file's attributes (hidden, archive, ...) carry over to the new one.
  if (written && exists) SetFileAttributesA(tempName.c_str(), attributes);
  written = written && MoveFileExA(tempName.c_str(), fileName.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!written) {
    DeleteFileA(tempName.c_str());
    return false;
  }
  return true;
}

}  // namespace raidmon
