// Files from outside the program (settings, skins, bitmaps, images, scenarios,
// libraries): opened without ever blocking, refused unless they are regular files,
// and read only up to a limit, so that a FIFO, a device or a huge file can neither
// hang the program nor exhaust its memory.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace raidmon {

enum class InputFileStatus {
  kOk,
  kMissing,     // no such file, or a directory on the way is missing
  kNotRegular,  // a FIFO, socket, device or directory
  kTooLarge,    // more bytes than the caller's limit
  kUnreadable,  // permissions or a read error
};

// A short English reason ("no such file", "not a regular file", ...).
const char* describe(InputFileStatus status);

// Which file this is, whatever name reached it (links, "./", "//").
struct FileIdentity {
  std::uint64_t device = 0;  // the file system (volume)
  std::uint64_t inode = 0;   // the file within it
  auto operator<=>(const FileIdentity&) const = default;
};

// One file opened for reading. Not copyable; closed when destroyed.
class InputFile {
 public:
  // Opens `path` read-only and without blocking (a FIFO without a writer, a terminal),
  // then checks what it opened: anything but a regular file is closed again and gives
  // kNotRegular. Never waits.
  static InputFile open(const std::string& path);

  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&& other) noexcept;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  InputFileStatus status() const { return status_; }
  bool ok() const { return status_ == InputFileStatus::kOk; }
  FileIdentity identity() const { return identity_; }
  // Size when opened.
  std::uint64_t size() const { return size_; }

  // Reads the whole file into `out` (replacing it). kTooLarge, with `out` empty, when
  // it holds more than `maxBytes` (a file growing meanwhile is noticed); never reads
  // more than maxBytes + 1 bytes.
  InputFileStatus readAll(std::size_t maxBytes, std::string& out);
  InputFileStatus readAll(std::size_t maxBytes, std::vector<std::uint8_t>& out);
  // Reads at most `maxBytes` from the start into `out`; a longer file is not an error
  // (for callers that judge the length themselves).
  InputFileStatus readPrefix(std::size_t maxBytes, std::string& out);
  InputFileStatus readPrefix(std::size_t maxBytes, std::vector<std::uint8_t>& out);

 private:
  InputFile() = default;
  template <class Buffer>
  InputFileStatus readInto(std::size_t maxBytes, bool prefix, Buffer& out);
  // The system's side (platform/posix, platform/win32): back to the start; and one read
  // of at most `room` bytes, giving the count (0 at the end) or -1 on an error.
  bool rewind();
  long long readSome(void* into, std::size_t room);

  // The open file: a descriptor, or a handle where the system uses handles.
  std::intptr_t fd_ = -1;
  InputFileStatus status_ = InputFileStatus::kMissing;
  FileIdentity identity_;
  std::uint64_t size_ = 0;
};

// Open, check and read in one step; `out` is left empty on any failure.
InputFileStatus readInputFile(const std::string& path, std::size_t maxBytes, std::string& out);
InputFileStatus readInputFile(const std::string& path, std::size_t maxBytes,
                              std::vector<std::uint8_t>& out);

// Whether `path` names a regular file that can be opened for reading, checked as
// InputFile::open does (for a file handed on by name, such as a library to load).
InputFileStatus checkInputFile(const std::string& path);

}  // namespace raidmon
