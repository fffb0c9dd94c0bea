#include "platform/input_file.h"

#include <windows.h>

#include <cstdint>

namespace raidmon {

namespace {

HANDLE handleOf(std::intptr_t fd) { return reinterpret_cast<HANDLE>(fd); }
constexpr std::intptr_t kNoFile = -1;

}  // namespace

InputFile InputFile::open(const std::string& path) {
  InputFile f;
  // A directory cannot be opened as a file at all; tell it apart from a denied file.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD e = GetLastError();
    f.status_ = (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_INVALID_NAME)
                    ? InputFileStatus::kMissing
                    : InputFileStatus::kUnreadable;
    // A device name (CON, NUL, a pipe) has no attributes on some systems: fall through to
    // the open, which judges it by its type.
    if (f.status_ == InputFileStatus::kMissing) return f;
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    f.status_ = InputFileStatus::kNotRegular;
    return f;
  }
  // Shared for reading, writing and deleting, so that the program never keeps another
  // from replacing the file; a pipe without a free instance fails at once.
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = GetLastError();
    f.status_ = (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) ? InputFileStatus::kMissing
                                                                         : InputFileStatus::kUnreadable;
    return f;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK) {
    f.status_ = InputFileStatus::kNotRegular;
  } else if (!GetFileInformationByHandle(h, &info)) {
    f.status_ = InputFileStatus::kUnreadable;
  } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    f.status_ = InputFileStatus::kNotRegular;
  } else {
    f.status_ = InputFileStatus::kOk;
    f.identity_ = FileIdentity{info.dwVolumeSerialNumber,
                               (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    f.size_ = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  }
  if (f.ok()) {
    f.fd_ = reinterpret_cast<std::intptr_t>(h);
  } else {
    CloseHandle(h);
  }
  return f;
}

InputFile::InputFile(InputFile&& other) noexcept
    : fd_(other.fd_), status_(other.status_), identity_(other.identity_), size_(other.size_) {
  other.fd_ = kNoFile;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    if (fd_ != kNoFile) CloseHandle(handleOf(fd_));
    fd_ = other.fd_;
    status_ = other.status_;
    identity_ = other.identity_;
    size_ = other.size_;
    other.fd_ = kNoFile;
  }
  return *this;
}

InputFile::~InputFile() {
  if (fd_ != kNoFile) CloseHandle(handleOf(fd_));
}

bool InputFile::rewind() {
  LARGE_INTEGER start{};
  return SetFilePointerEx(handleOf(fd_), start, nullptr, FILE_BEGIN) != 0;
}

long long InputFile::readSome(void* into, std::size_t room) {
  const DWORD want = room > (1u << 30) ? (1u << 30) : static_cast<DWORD>(room);
  DWORD got = 0;
  if (!ReadFile(handleOf(fd_), into, want, &got, nullptr)) return -1;
  return got;
}

}  // namespace raidmon
