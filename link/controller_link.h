// The operations the monitor performs on the controller, independent of the transport
// that carries them (the direct miniport port, or the ASPI bridge library).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "protocol/control_packet.h"

namespace raidmon {

// What locating and probing the controller found at start-up.
struct LocateResult {
  bool portFound = false;        // a port/path to the controller exists (handle opened)
  bool foundByName = true;       // NT: found by driver name rather than the fallback scan
  std::uint8_t matchingPorts = 0;  // NT: ports whose device name matched the driver name
  std::uint8_t probeResult = 0;    // result of the last probe (non-zero = answered)
  std::uint8_t aspiAdapter = 100;  // 9x: host adapter of the controller; 100 = none
  std::uint8_t aspiTarget = 0;     // 9x: target id of the controller
  std::array<std::string, 10> portNames{};  // NT: the 8 compared characters per port
};

// One 128-sector (or shorter) copy request of a mirror rebuild.
struct TransferRequest {
  std::uint8_t sourceCard = 0;  // indexes 0..3
  std::uint8_t sourcePos = 0;
  std::uint8_t targetCard = 0;
  std::uint8_t targetPos = 0;
  std::uint32_t lba = 0;
  std::uint16_t count = 0;
};

// Every operation works on the packet it is handed (the shared packet, with its
// exchange held by the caller), leaves the controller's answer in it and returns the
// transport's success flag as each transport defines it. No operation retries.
class ControllerLink {
 public:
  virtual ~ControllerLink() = default;

  // Finds the controller and probes it as start-up does on this transport.
  virtual LocateResult locate(ControlPacket& packet) = 0;

  virtual bool readConfig(ControlPacket& packet) = 0;
  virtual bool readStatus(ControlPacket& packet) = 0;
  virtual bool transfer(ControlPacket& packet, const TransferRequest& request) = 0;
  virtual bool rebuildBegin(ControlPacket& packet) = 0;
  virtual bool rebuildEnd(ControlPacket& packet, std::uint8_t sourcePos,
                          std::uint8_t targetPos) = 0;
  // Plug tables: only the direct transport has them; the bridge sends nothing and
  // returns false.
  virtual bool plugBackup(ControlPacket& packet) = 0;
  virtual bool rescanBus() = 0;
  // One flash command (erase 0x04, program 0x10, checksum 0x40, end 0x80) with its
  // address and parameter and, for 0x10, the 128-byte block. True only when the request
  // went through and the controller did not answer "not done" (ReturnCode 0), on both
  // transports. The reply to 0x40 leaves the checksum in the packet header's
  // control-code field on both transports.
  virtual bool flashCommand(ControlPacket& packet, std::uint8_t code, std::uint16_t address,
                            std::uint8_t parameter, const std::uint8_t* block) = 0;

  // True when the status block's hot-plug bytes and the plug tables are meaningful
  // on this transport (the direct port); the bridge path treats them as 0.
  virtual bool hasHotPlug() const = 0;
  // True when a failed status read is reported (the direct port); the bridge's status
  // read result is not examined.
  virtual bool checksStatusRead() const = 0;
};

}  // namespace raidmon
