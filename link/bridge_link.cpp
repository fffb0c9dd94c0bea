#include "link/bridge_link.h"

#include <algorithm>

#include "platform/dynamic_library.h"

namespace raidmon {

Result<BridgeExports> bridgeExportsOf(void* libraryHandle) {
  BridgeExports e;
  e.TavrixIoControl = reinterpret_cast<TavrixIoControlFn>(librarySymbol(libraryHandle, "TavrixIoControl"));
  e.TavrixReadWrite = reinterpret_cast<TavrixReadWriteFn>(librarySymbol(libraryHandle, "TavrixReadWrite"));
  e.TavrixFlashReadWrite =
      reinterpret_cast<TavrixFlashReadWriteFn>(librarySymbol(libraryHandle, "TavrixFlashReadWrite"));
  if (!e.TavrixIoControl || !e.TavrixReadWrite || !e.TavrixFlashReadWrite) {
    return Unexpected("the bridge library lacks an export");
  }
  return e;
}

LocateResult BridgeLink::locate(ControlPacket& packet) {
  LocateResult result;
  result.foundByName = false;
  found_ = false;
  for (int adapter = 0; adapter < kAspiProbeAdapters && !found_; ++adapter) {
    for (int target = 0; target < kAspiProbeTargets && !found_; ++target) {
      packet.setReturnCode(0);
      const std::uint8_t answered = exports_.TavrixIoControl(
          0, 0, CTL_PROBE, static_cast<std::uint32_t>(adapter), static_cast<std::uint32_t>(target),
          packet.raw(), 0, 0, 0, 0, 0, 0);
      result.probeResult = answered != 0 ? 1 : 0;
      if (answered != 0) {
        found_ = true;
        adapter_ = static_cast<std::uint8_t>(adapter);
        target_ = static_cast<std::uint8_t>(target);
      }
    }
  }
  result.portFound = found_;
  if (found_) {
    result.aspiAdapter = adapter_;
    result.aspiTarget = target_;
  }
  return result;
}

bool BridgeLink::ioControl(ControlPacket& packet, std::uint32_t code, std::uint8_t param1,
                           std::uint8_t param2) {
  if (!found_) return false;
  packet.setReturnCode(0);
  return exports_.TavrixIoControl(0, kBridgeToken, code, adapter_, target_, packet.raw(), param1,
                                  param2, 0, 0, 0, 0) != 0;
}

bool BridgeLink::readConfig(ControlPacket& packet) { return ioControl(packet, CTL_READ_CONFIG); }

bool BridgeLink::readStatus(ControlPacket& packet) { return ioControl(packet, CTL_READ_STATUS); }

bool BridgeLink::transfer(ControlPacket& packet, const TransferRequest& r) {
  if (!found_) return false;
  packet.setReturnCode(0);
  return exports_.TavrixReadWrite(kBridgeToken, adapter_, target_, packet.raw(), r.sourceCard,
                                  r.sourcePos, r.targetCard, r.targetPos, r.lba, r.count) != 0;
}

bool BridgeLink::rebuildBegin(ControlPacket& packet) { return ioControl(packet, CTL_REBUILD_BEGIN); }

bool BridgeLink::rebuildEnd(ControlPacket& packet, std::uint8_t sourcePos, std::uint8_t targetPos) {
  return ioControl(packet, CTL_REBUILD_END, sourcePos, targetPos);
}

bool BridgeLink::plugBackup(ControlPacket&) { return false; }

bool BridgeLink::rescanBus() { return false; }

bool BridgeLink::flashCommand(std::uint8_t* packet180, std::uint8_t operation,
                              std::uint16_t address, std::uint8_t parameter) {
  if (!found_ || packet180 == nullptr) return false;
  storeLe32(packet180 + kOffReturnCode, 0);
  return exports_.TavrixFlashReadWrite(kBridgeToken, adapter_, target_, packet180, operation,
                                       address, parameter) != 0;
}

bool BridgeLink::flashCommand(ControlPacket& packet, std::uint8_t code, std::uint16_t address,
                              std::uint8_t parameter, const std::uint8_t* block) {
  if (code == FLASH_OP_40) return flashCommand(packet.raw(), code, address, parameter);
  if (block != nullptr) std::copy_n(block, 128, flashPacket_.begin() + kFlashPacketBlock);
  return flashCommand(flashPacket_.data(), code, address, parameter);
}

}  // namespace raidmon
