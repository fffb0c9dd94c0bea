// The slice of the NT storage stack the monitor uses: DOS device names of the SCSI
// ports, opening a port, the miniport control request and the bus rescan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace raidmon {

using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kInvalidHandle = -1;

// The two device requests (the system's IOCTL_SCSI_MINIPORT and IOCTL_SCSI_RESCAN_BUS).
inline constexpr std::uint32_t kIoctlScsiMiniport = 0x0004D008;
inline constexpr std::uint32_t kIoctlScsiRescanBus = 0x0004101C;

// A miniport request starts with the system's SRB_IO_CONTROL header (28 bytes,
// little-endian fields at these offsets); `Length` data bytes follow it.
inline constexpr std::uint32_t kSrbIoControlSize = 28;
inline constexpr std::size_t kSrbHeaderLengthOffset = 0;
inline constexpr std::size_t kSrbSignatureOffset = 4;  // 8 bytes
inline constexpr std::size_t kSrbTimeoutOffset = 12;
inline constexpr std::size_t kSrbControlCodeOffset = 16;
inline constexpr std::size_t kSrbReturnCodeOffset = 20;
inline constexpr std::size_t kSrbLengthOffset = 24;

// Implementations: the emulated stacks (emulator/: in process, or across a socket to
// k4emu) and the system's own on Windows (platform/win32/win32_nt_storage.h).
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

  // The miniport request: sends `size` bytes from `inOut` and overwrites them with the
  // answer. Returns false when the handle is bad or the driver rejects the request
  // (or, on the system's stack, answers fewer bytes than the header and the data
  // length it names); the buffer is then left as the driver left it.
  virtual bool miniportControl(DeviceHandle handle, std::uint8_t* inOut, std::uint32_t size) = 0;

  // The bus rescan on an open port, no buffers.
  virtual bool rescanBus(DeviceHandle handle) = 0;

  // Closes a handle from createFile; an invalid handle is ignored.
  virtual void closeHandle(DeviceHandle handle) = 0;
};

// The operating system's own storage stack: the Win32 one on Windows; null on a
// system without one (Linux, where only the emulated stacks exist).
std::unique_ptr<NtStorageStack> systemNtStorageStack();

}  // namespace raidmon
