// The NT storage stack as the emulator presents it: SCSI ports 0..9 with DOS device
// names, open handles, miniport requests delivered to the Controller, bus rescans.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/controller.h"
#include "emulator/scenario.h"
#include "platform/nt_storage_stack.h"

namespace raidmon::emu {

inline constexpr int kScsiPortCount = 10;

// A port whose role is Driver hands miniport requests to the Controller; a Foreign
// port opens but rejects them (its miniport request fails). Thread-safe; the
// Controller must outlive this object.
class EmulatedNtStorage : public NtStorageStack {
 public:
  // Ports as the controller's scenario declares them.
  explicit EmulatedNtStorage(Controller& controller);
  EmulatedNtStorage(Controller& controller, const std::vector<ScenarioPort>& ports);

  std::uint32_t queryDosDevice(std::string_view dosName, char* buffer,
                               std::uint32_t capacity) override;
  DeviceHandle createFile(std::string_view path) override;
  bool miniportControl(DeviceHandle handle, std::uint8_t* inOut, std::uint32_t size) override;
  bool rescanBus(DeviceHandle handle) override;
  void closeHandle(DeviceHandle handle) override;

  // Replaces or removes (nullopt) one port; numbers outside 0..9 are ignored. Handles
  // already open on the port keep working with the new role.
  void setPort(int number, std::optional<ScenarioPort> port);

  // Handles from createFile not yet closed, and the port each one is open on.
  std::size_t openHandleCount() const;
  std::vector<DeviceHandle> openHandles() const;
  std::optional<int> portOfHandle(DeviceHandle handle) const;
  // Rescans asked for on any open port (the Controller counts those it received).
  std::uint64_t rescanRequests() const;

  // The port number of "\\.\SCSI<n>:" (prefix case-insensitive, n one digit), or
  // nullopt for any other text.
  static std::optional<int> parsePortPath(std::string_view path);

 private:
  Controller& controller_;
  mutable std::mutex mu_;
  std::array<std::optional<ScenarioPort>, kScsiPortCount> ports_;
  std::map<DeviceHandle, int> handles_;
  DeviceHandle nextHandle_ = 0x100;
  std::uint64_t rescanRequests_ = 0;
};

}  // namespace raidmon::emu
