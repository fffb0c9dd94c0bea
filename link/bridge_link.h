// The controller link on the 9x family: every operation goes through the bridge
// library's exports, which carry the packet as SCSI command 0x77 via the ASPI layer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "aspilink/aspilink.h"
#include "link/controller_link.h"
#include "platform/result.h"

namespace raidmon {

inline constexpr int kAspiProbeAdapters = 10;  // host adapters 0..9
inline constexpr int kAspiProbeTargets = 4;    // targets 0..3
// The token handed to the bridge after a successful probe (the bridge ignores it).
inline constexpr std::uint32_t kBridgeToken = 1;
inline constexpr std::size_t kFlashPacketSize = 180;
inline constexpr std::size_t kFlashPacketBlock = 42;

// The bridge's three entry points; the program passes the real exports, tests fakes.
struct BridgeExports {
  TavrixIoControlFn TavrixIoControl = nullptr;
  TavrixReadWriteFn TavrixReadWrite = nullptr;
  TavrixFlashReadWriteFn TavrixFlashReadWrite = nullptr;
};

// The exports of a bridge library loaded at run time; a failure when one is missing.
Result<BridgeExports> bridgeExportsOf(void* libraryHandle);

// GUI thread and the rebuild worker call in, one exchange at a time (the caller
// holds the shared packet's exchange).
class BridgeLink final : public ControllerLink {
 public:
  // All three exports must be set.
  explicit BridgeLink(const BridgeExports& exports) : exports_(exports) {}

  // Probes host adapters 0..9 and targets 0..3 in that order with CTL_PROBE and keeps
  // the first that answers. Without an answer the link stays unusable: every later
  // operation sends nothing and returns false.
  LocateResult locate(ControlPacket& packet) override;

  // Each clears ReturnCode first, so an answer the driver did not give never counts.
  bool readConfig(ControlPacket& packet) override;
  bool readStatus(ControlPacket& packet) override;
  // Through the transfer entry: the four index bytes, the first sector and the count;
  // 48 bytes go out and come back. True when the driver reported the copy done.
  bool transfer(ControlPacket& packet, const TransferRequest& request) override;
  bool rebuildBegin(ControlPacket& packet) override;
  // The source position index travels as the first parameter byte, the target
  // position index as the second (the bridge places it at data offset 1).
  bool rebuildEnd(ControlPacket& packet, std::uint8_t sourcePos, std::uint8_t targetPos) override;
  // No plug tables and no bus rescan through the ASPI layer: nothing is sent.
  bool plugBackup(ControlPacket& packet) override;
  bool rescanBus() override;
  bool hasHotPlug() const override { return false; }
  bool checksStatusRead() const override { return false; }

  // One flash command on a 180-byte flash packet (or the first 180 bytes of a control
  // packet); true when the driver's ReturnCode is non-zero.
  bool flashCommand(std::uint8_t* packet180, std::uint8_t operation, std::uint16_t address,
                    std::uint8_t parameter);
  // The program's flash commands: a block goes out in the link's own 180-byte flash
  // packet (block area at packet offset 42); the checksum request 0x40 goes in the
  // first 180 bytes of `packet`, so its reply lands in that packet's header.
  bool flashCommand(ControlPacket& packet, std::uint8_t code, std::uint16_t address,
                    std::uint8_t parameter, const std::uint8_t* block) override;

  bool found() const { return found_; }
  std::uint8_t adapter() const { return adapter_; }
  std::uint8_t target() const { return target_; }

 private:
  bool ioControl(ControlPacket& packet, std::uint32_t code, std::uint8_t param1 = 0,
                 std::uint8_t param2 = 0);

  BridgeExports exports_;
  std::array<std::uint8_t, kFlashPacketSize> flashPacket_{};
  bool found_ = false;
  std::uint8_t adapter_ = 100;
  std::uint8_t target_ = 0;
};

}  // namespace raidmon
