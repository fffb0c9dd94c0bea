// The controller link on the NT family: finds the SCSI port the controller's miniport
// driver owns, opens it, and exchanges control packets with miniport requests.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "link/controller_link.h"
#include "platform/nt_storage_stack.h"

namespace raidmon {

inline constexpr std::string_view kDriverNameFirst = "tavrixRX";
inline constexpr std::string_view kDriverNameSecond = "TavrixRX";
inline constexpr int kScsiPorts = 10;
inline constexpr int kProbeAttempts = 10;

// GUI thread and the rebuild worker call in, one exchange at a time (the caller
// holds the shared packet's exchange).
class DirectPortLink final : public ControllerLink {
 public:
  explicit DirectPortLink(NtStorageStack& stack) : stack_(stack) {}
  ~DirectPortLink() override;

  DirectPortLink(const DirectPortLink&) = delete;
  DirectPortLink& operator=(const DirectPortLink&) = delete;

  // Looks up ports 0..9 by device name and opens the first whose name ends in
  // `driverName` + one character; records the compared characters of every port and
  // the number of matching ports. Returns false when nothing could be opened (the
  // open of port 255 is attempted then, as the driver lookup always does).
  bool findPortByName(std::string_view driverName);
  // Opens ports 0..9 in turn and keeps the first that answers CTL_PROBE; closes the
  // handles of ports that opened but did not answer.
  bool fallbackScan(ControlPacket& packet);
  // Fills the direct header and sends the whole packet on the open port.
  bool send(ControlPacket& packet, std::uint32_t code, std::uint32_t length);

  const std::array<std::string, kScsiPorts>& portNames() const { return portNames_; }
  int matchingPorts() const { return matchingPorts_; }
  DeviceHandle handle() const { return handle_; }

  LocateResult locate(ControlPacket& packet) override;
  bool readConfig(ControlPacket& packet) override;
  bool readStatus(ControlPacket& packet) override;
  bool transfer(ControlPacket& packet, const TransferRequest& request) override;
  bool rebuildBegin(ControlPacket& packet) override;
  bool rebuildEnd(ControlPacket& packet, std::uint8_t sourcePos, std::uint8_t targetPos) override;
  bool plugBackup(ControlPacket& packet) override;
  bool rescanBus() override;
  // Data offset 0: the command; 4: the address; 8: the parameter; 12: the block.
  bool flashCommand(ControlPacket& packet, std::uint8_t code, std::uint16_t address,
                    std::uint8_t parameter, const std::uint8_t* block) override;
  bool hasHotPlug() const override { return true; }
  bool checksStatusRead() const override { return true; }

 private:
  void adopt(DeviceHandle h);

  NtStorageStack& stack_;
  DeviceHandle handle_ = kInvalidHandle;
  std::array<std::string, kScsiPorts> portNames_{};
  int matchingPorts_ = 0;
  std::uint8_t probeResult_ = 0;
};

}  // namespace raidmon
