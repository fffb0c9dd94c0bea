// A scripted NT storage stack for link tests: named ports, answering or silent, with
// a log of every miniport request and the handles that are open.
#pragma once

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/nt_storage_stack.h"
#include "protocol/control_packet.h"

namespace raidmon::test {

class FakeStorage : public NtStorageStack {
 public:
  struct Port {
    std::string deviceName;  // empty: the DOS name is unknown
    bool opens = true;
    bool answers = false;    // miniport requests succeed
  };
  std::map<int, Port> ports;
  std::vector<std::string> opened;           // every path passed to createFile
  std::vector<ControlPacket> requests;       // packets as sent
  std::set<DeviceHandle> open;
  int rescans = 0;

  std::uint32_t queryDosDevice(std::string_view dosName, char* buffer,
                               std::uint32_t capacity) override {
    for (auto& [n, port] : ports) {
      if (dosName != "scsi" + std::to_string(n) + ":" || port.deviceName.empty()) continue;
      const auto count = static_cast<std::uint32_t>(port.deviceName.size() + 2);
      if (count > capacity) return 0;
      std::memcpy(buffer, port.deviceName.data(), port.deviceName.size());
      buffer[port.deviceName.size()] = 0;
      buffer[port.deviceName.size() + 1] = 0;
      return count;
    }
    return 0;
  }
  DeviceHandle createFile(std::string_view path) override {
    opened.emplace_back(path);
    for (auto& [n, port] : ports) {
      const std::string suffix = std::to_string(n) + ":";
      if (path.size() == 8 + suffix.size() && path.substr(8) == suffix && port.opens) {
        const DeviceHandle h = 100 + n * 10 + static_cast<DeviceHandle>(opened.size());
        handlePort[h] = n;
        open.insert(h);
        return h;
      }
    }
    return kInvalidHandle;
  }
  bool miniportControl(DeviceHandle h, std::uint8_t* inOut, std::uint32_t size) override {
    ControlPacket p;
    std::memcpy(p.raw(), inOut, std::min<std::size_t>(size, kPacketSize));
    requests.push_back(p);
    auto it = handlePort.find(h);
    if (it == handlePort.end() || !open.count(h)) return false;
    if (!ports[it->second].answers) return false;
    if (p.controlCode() == CTL_PROBE) storeLe32(inOut + kOffReturnCode, CTL_PROBE);
    return true;
  }
  bool rescanBus(DeviceHandle h) override {
    ++rescans;
    return open.count(h) > 0;
  }
  void closeHandle(DeviceHandle h) override { open.erase(h); }

  std::map<DeviceHandle, int> handlePort;
};

}  // namespace raidmon::test
