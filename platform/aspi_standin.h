// The program's handle on the ASPI layer stand-in: opens the library from a directory
// and plugs a device (the emulated controller) in behind its host adapters.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/aspi32/aspi32.h"
#include "platform/result.h"

namespace raidmon {

inline constexpr std::uint8_t kAspiHostAdapters = 10;

// Owns one reference to the loaded library; the bridge library holds its own. Not
// thread-safe; a test's fixture or main() drives it.
class AspiStandIn {
 public:
  // Loads `directory` + aspi::kLibraryFile (directory ends in a separator). Fails, saying why,
  // when the file is missing or lacks an export.
  static Result<std::unique_ptr<AspiStandIn>> open(const std::string& directory);

  // Detaches a backend this object attached, then drops its library reference.
  ~AspiStandIn();
  AspiStandIn(const AspiStandIn&) = delete;
  AspiStandIn& operator=(const AspiStandIn&) = delete;

  // Delivers CDB 0x77 requests to `backend` from now on (see aspi32AttachBackend).
  void attach(aspi::Aspi32Backend backend, void* context,
              std::uint8_t adapterCount = kAspiHostAdapters);
  // Any object with `bool handleAspiCdb77(int adapter, int target, std::uint8_t*,
  // std::size_t)`, such as the emulated controller. It must outlive the attachment.
  template <class Device>
  void attachDevice(Device& device, std::uint8_t adapterCount = kAspiHostAdapters) {
    attach(
        +[](void* ctx, std::uint8_t adapter, std::uint8_t target, const aspi::SRB_ExecSCSICmd*,
            std::uint8_t* buffer, std::uint32_t length) -> int {
          return static_cast<Device*>(ctx)->handleAspiCdb77(adapter, target, buffer, length) ? 1
                                                                                             : 0;
        },
        &device, adapterCount);
  }
  // No backend from now on; waits for a delivery in progress to return.
  void detach();

  void setStall(bool on);
  void setImmediateStatus(std::uint8_t status);
  aspi::Aspi32Counters counters() const;

 private:
  AspiStandIn() = default;

  void* library_ = nullptr;
  decltype(&aspi::aspi32AttachBackend) attach_ = nullptr;
  decltype(&aspi::aspi32SetStall) setStall_ = nullptr;
  decltype(&aspi::aspi32SetImmediateStatus) setImmediate_ = nullptr;
  decltype(&aspi::aspi32GetCounters) counters_ = nullptr;
  bool attached_ = false;
};

}  // namespace raidmon
