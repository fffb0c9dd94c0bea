// The NT storage stack of the system: QueryDosDeviceA for the ports' device names,
// CreateFileA on "\\.\SCSI<n>:", DeviceIoControl for the miniport request and the bus
// rescan, CloseHandle. Windows only; callers get it through systemNtStorageStack()
// (platform/nt_storage_stack.h) and need not include this.
#pragma once

#include <windows.h>

#include "platform/nt_storage_stack.h"

namespace raidmon {

// The four system calls the stack makes, the real ones unless a test puts a device of
// its own behind them (Wine has no SCSI port for the controller). Every entry is set.
struct Win32StorageCalls {
  using QueryDosDeviceFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
  using CreateFileFn = HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                        HANDLE);
  using DeviceIoControlFn = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                          LPOVERLAPPED);
  using CloseHandleFn = BOOL(WINAPI*)(HANDLE);

  QueryDosDeviceFn queryDosDevice = &::QueryDosDeviceA;
  CreateFileFn createFile = &::CreateFileA;
  DeviceIoControlFn deviceIoControl = &::DeviceIoControl;
  CloseHandleFn closeHandle = &::CloseHandle;
};

// What the system answers is checked before it counts: a device name must fit the
// buffer and end the list with two zeros; a miniport answer must come back whole
// (the header and the data length the request names), or it is a failure. Handles
// are the system's own, passed through as DeviceHandle. Thread-safe (no state but
// the table).
class Win32NtStorage final : public NtStorageStack {
 public:
  explicit Win32NtStorage(const Win32StorageCalls& calls = {}) : calls_(calls) {}

  std::uint32_t queryDosDevice(std::string_view dosName, char* buffer,
                               std::uint32_t capacity) override;
  // Read and write access, shared for reading and writing, existing devices only.
  DeviceHandle createFile(std::string_view path) override;
  // The same buffer in and out, no overlapped I/O.
  bool miniportControl(DeviceHandle handle, std::uint8_t* inOut, std::uint32_t size) override;
  bool rescanBus(DeviceHandle handle) override;
  void closeHandle(DeviceHandle handle) override;

 private:
  Win32StorageCalls calls_;
};

}  // namespace raidmon
