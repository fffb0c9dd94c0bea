// The slice of the NT storage stack the monitor uses: DOS device names of the SCSI
// ports, opening a port, the miniport control request and the bus rescan.
#pragma once

#include <cstdint>
#include <string_view>

namespace raidmon {

using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kInvalidHandle = -1;

inline constexpr std::uint32_t IOCTL_SCSI_MINIPORT = 0x0004D008;
inline constexpr std::uint32_t IOCTL_SCSI_RESCAN_BUS = 0x0004101C;

// Implementations: the emulated stack (emulator/) on Linux; a Win32 one would wrap
// QueryDosDeviceA, CreateFileA, DeviceIoControl and CloseHandle.
class NtStorageStack {
 public:
  virtual ~NtStorageStack() = default;

  // Looks up the device behind a DOS name such as "scsi0:" and stores it in `buffer`
  // followed by two zeros (the terminator and the list's closing zero). Returns the
  // number of characters stored, zeros included, or 0 when the name is unknown or the
  // result does not fit in `capacity` (nothing useful is left in the buffer then).
  virtual std::uint32_t queryDosDevice(std::string_view dosName, char* buffer,
                                       std::uint32_t capacity) = 0;

  // Opens a port by its path ("\\.\SCSI0:"; the port prefix is case-insensitive) for
  // reading and writing. Returns kInvalidHandle when there is no such port.
  virtual DeviceHandle createFile(std::string_view path) = 0;

  // IOCTL_SCSI_MINIPORT: sends `size` bytes from `inOut` and overwrites them with the
  // answer. Returns false when the handle is bad or the driver rejects the request;
  // the buffer is then left as the driver left it.
  virtual bool miniportControl(DeviceHandle handle, std::uint8_t* inOut, std::uint32_t size) = 0;

  // IOCTL_SCSI_RESCAN_BUS on an open port, no buffers.
  virtual bool rescanBus(DeviceHandle handle) = 0;

  // Closes a handle from createFile; an invalid handle is ignored.
  virtual void closeHandle(DeviceHandle handle) = 0;
};

}  // namespace raidmon
