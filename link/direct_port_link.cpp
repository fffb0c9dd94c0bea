#include "link/direct_port_link.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace raidmon {

namespace {

constexpr std::uint32_t kDeviceNameCapacity = 30;
constexpr std::uint32_t kMinNameCount = 11;

std::string portPath(std::string_view prefix, int number) {
  return std::string(prefix) + std::to_string(number) + ":";
}

}  // namespace

DirectPortLink::~DirectPortLink() { stack_.closeHandle(handle_); }

void DirectPortLink::adopt(DeviceHandle h) {
  if (handle_ != kInvalidHandle && handle_ != h) stack_.closeHandle(handle_);
  handle_ = h;
}

bool DirectPortLink::findPortByName(std::string_view driverName) {
  matchingPorts_ = 0;
  int first = 255;
  for (int port = 0; port < kScsiPorts; ++port) {
    std::array<char, kDeviceNameCapacity> name{};
    const std::uint32_t count =
        stack_.queryDosDevice("scsi" + std::to_string(port) + ":", name.data(), kDeviceNameCapacity);
    std::string& entry = portNames_[static_cast<std::size_t>(port)];
    entry.clear();
    if (count < kMinNameCount || count > kDeviceNameCapacity || driverName.size() != 8) continue;
    // The 8 characters just before the device name's last character (its instance digit).
    const char* compared = name.data() + (count - 3 - 8);
    entry.assign(compared, 8);
    if (std::memcmp(compared, driverName.data(), 8) == 0) {
      if (first == 255) first = port;
      ++matchingPorts_;
    }
  }
  const DeviceHandle h = stack_.createFile(portPath("\\\\.\\SCSI", first));
  if (h == kInvalidHandle) return false;
  adopt(h);
  return true;
}

bool DirectPortLink::fallbackScan(ControlPacket& packet) {
  for (int port = 0; port < kScsiPorts; ++port) {
    const DeviceHandle h = stack_.createFile(portPath("\\\\.\\Scsi", port));
    if (h == kInvalidHandle) continue;
    packet.fillDirectHeader(CTL_PROBE, 0);
    const bool answered = stack_.miniportControl(h, packet.raw(), kPacketSize);
    probeResult_ = answered ? 1 : 0;
    if (answered) {
      adopt(h);
      return true;
    }
    stack_.closeHandle(h);
  }
  return false;
}

bool DirectPortLink::send(ControlPacket& packet, std::uint32_t code, std::uint32_t length) {
  packet.fillDirectHeader(code, length);
  if (handle_ == kInvalidHandle) return false;
  return stack_.miniportControl(handle_, packet.raw(), kPacketSize);
}

LocateResult DirectPortLink::locate(ControlPacket& packet) {
  LocateResult result;
  bool found = findPortByName(kDriverNameFirst);
  if (!found) found = findPortByName(kDriverNameSecond);
  result.matchingPorts = static_cast<std::uint8_t>(matchingPorts_);
  if (!found) {
    result.foundByName = false;
    result.matchingPorts = 0;
    found = fallbackScan(packet);
  }
  std::copy(portNames_.begin(), portNames_.end(), result.portNames.begin());
  result.portFound = found;
  if (!found) return result;
  for (int attempt = 0; attempt < kProbeAttempts; ++attempt) {
    probeResult_ = send(packet, CTL_PROBE, 0) ? 1 : 0;
    if (probeResult_) break;
  }
  result.probeResult = probeResult_;
  return result;
}

bool DirectPortLink::readConfig(ControlPacket& packet) {
  return send(packet, CTL_READ_CONFIG, kDataSize);
}

bool DirectPortLink::readStatus(ControlPacket& packet) {
  return send(packet, CTL_READ_STATUS, kDataSize);
}

bool DirectPortLink::transfer(ControlPacket& packet, const TransferRequest& r) {
  packet.setData8(0, r.sourceCard);
  packet.setData8(1, r.sourcePos);
  packet.setData8(2, r.targetCard);
  packet.setData8(3, r.targetPos);
  packet.setData32(4, r.lba);
  packet.setData16(8, r.count);
  return send(packet, CTL_TRANSFER, kDataSize);
}

bool DirectPortLink::rebuildBegin(ControlPacket& packet) {
  return send(packet, CTL_REBUILD_BEGIN, kDataSize);
}

bool DirectPortLink::rebuildEnd(ControlPacket& packet, std::uint8_t, std::uint8_t) {
  return send(packet, CTL_REBUILD_END, 0);
}

bool DirectPortLink::plugBackup(ControlPacket& packet) {
  return send(packet, CTL_PLUG_BACKUP, kDataSize);
}

bool DirectPortLink::flashCommand(ControlPacket& packet, std::uint8_t code, std::uint16_t address,
                                  std::uint8_t parameter, const std::uint8_t* block) {
  packet.clearData();
  packet.setData8(0, code);
  packet.setData32(4, address);
  packet.setData32(8, parameter);
  if (block != nullptr) std::copy_n(block, 128, packet.data() + 12);
  // As through the bridge, a command the controller answered "not done" did not succeed.
  return send(packet, code, kDataSize) && !packet.controllerSaidNotDone();
}

bool DirectPortLink::rescanBus() {
  return handle_ != kInvalidHandle && stack_.rescanBus(handle_);
}

}  // namespace raidmon
