#include "platform/win32/win32_nt_storage.h"

#include <winioctl.h>  // before ntddscsi.h, which builds on it
#include <ntddscsi.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace raidmon {

// The request codes and the miniport header are the system's own.
static_assert(IOCTL_SCSI_MINIPORT == kIoctlScsiMiniport);
static_assert(IOCTL_SCSI_RESCAN_BUS == kIoctlScsiRescanBus);
static_assert(sizeof(SRB_IO_CONTROL) == kSrbIoControlSize);
static_assert(offsetof(SRB_IO_CONTROL, HeaderLength) == kSrbHeaderLengthOffset);
static_assert(offsetof(SRB_IO_CONTROL, Signature) == kSrbSignatureOffset &&
              sizeof(SRB_IO_CONTROL::Signature) == 8);
static_assert(offsetof(SRB_IO_CONTROL, Timeout) == kSrbTimeoutOffset);
static_assert(offsetof(SRB_IO_CONTROL, ControlCode) == kSrbControlCodeOffset);
static_assert(offsetof(SRB_IO_CONTROL, ReturnCode) == kSrbReturnCodeOffset);
static_assert(offsetof(SRB_IO_CONTROL, Length) == kSrbLengthOffset);
static_assert(sizeof(DeviceHandle) >= sizeof(HANDLE));

namespace {

HANDLE toHandle(DeviceHandle h) { return reinterpret_cast<HANDLE>(h); }

// The system's handles are never null or INVALID_HANDLE_VALUE; neither is passed on.
bool usable(DeviceHandle h) { return h != kInvalidHandle && h != 0; }

// Text for a call that takes a zero-terminated string: none when the text holds a
// zero of its own (the system would see a shorter name than the caller meant).
bool cString(std::string_view text, std::string& out) {
  if (text.empty() || text.find('\0') != std::string_view::npos) return false;
  out.assign(text);
  return true;
}

std::uint32_t loadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::uint32_t Win32NtStorage::queryDosDevice(std::string_view dosName, char* buffer,
                                             std::uint32_t capacity) {
  std::string name;
  if (buffer == nullptr || capacity < 2 || !cString(dosName, name)) return 0;
  const DWORD stored = calls_.queryDosDevice(name.c_str(), buffer, capacity);
  // A count past the buffer, or a list that does not end in two zeros (cut short where
  // a system truncates instead of failing), is no name.
  if (stored < 2 || stored > capacity) return 0;
  if (buffer[stored - 1] != '\0' || buffer[stored - 2] != '\0') return 0;
  return stored;
}

DeviceHandle Win32NtStorage::createFile(std::string_view path) {
  std::string file;
  if (!cString(path, file)) return kInvalidHandle;
  const HANDLE h = calls_.createFile(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return kInvalidHandle;
  return reinterpret_cast<DeviceHandle>(h);
}

bool Win32NtStorage::miniportControl(DeviceHandle handle, std::uint8_t* inOut, std::uint32_t size) {
  if (!usable(handle) || inOut == nullptr || size < kSrbIoControlSize) return false;
  // The answer must cover the header and the data bytes the request uses; with
  // buffered I/O the bytes past the count the driver gives are not copied back, so
  // they would still be the request's own.
  const std::uint32_t dataLength =
      std::min(loadLe32(inOut + kSrbLengthOffset), size - kSrbIoControlSize);
  const DWORD needed = kSrbIoControlSize + dataLength;
  DWORD returned = 0;
  if (!calls_.deviceIoControl(toHandle(handle), kIoctlScsiMiniport, inOut, size, inOut, size,
                              &returned, nullptr)) {
    return false;
  }
  return returned >= needed && returned <= size;
}

bool Win32NtStorage::rescanBus(DeviceHandle handle) {
  if (!usable(handle)) return false;
  DWORD returned = 0;
  return calls_.deviceIoControl(toHandle(handle), kIoctlScsiRescanBus, nullptr, 0, nullptr, 0,
                                &returned, nullptr) != FALSE;
}

void Win32NtStorage::closeHandle(DeviceHandle handle) {
  if (usable(handle)) calls_.closeHandle(toHandle(handle));
}

std::unique_ptr<NtStorageStack> systemNtStorageStack() { return std::make_unique<Win32NtStorage>(); }

}  // namespace raidmon
