// Arbitrary plug tables through the plug check and the hot-plug evaluation: every
// channel of cards 1 and 2 is in hot-plug mode, the drives stay present, and each 248
// bytes of input is the plug block of one poll cycle.
#include <cstdint>
#include <cstring>

#include "link/controller_link.h"
#include "link/shared_packet.h"
#include "monitor/monitor.h"

namespace {

using namespace raidmon;

class PlugLink final : public ControllerLink {
 public:
  PlugLink(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  LocateResult locate(ControlPacket&) override {
    LocateResult r;
    r.portFound = true;
    r.probeResult = 1;
    r.matchingPorts = 2;
    return r;
  }
  bool readConfig(ControlPacket& p) override {
    p.clearData();
    for (int e = 0; e < 8; ++e) {  // a mirror per card, drives that may be single
      p.setData8(48 + 3 * e, static_cast<std::uint8_t>(e % 4 == 3 ? 1 : 4));
      p.setData8(48 + 3 * e + 1, static_cast<std::uint8_t>(e / 4 + (e % 4 == 3 ? 5 : 0)));
      p.setData8(48 + 3 * e + 2, static_cast<std::uint8_t>(e % 4 == 3 ? 0 : e % 4));
    }
    return true;
  }
  bool readStatus(ControlPacket& p) override {
    p.clearData();
    for (int e = 0; e < 8; ++e) p.setData8(16 + e, 1);
    for (int i = 0; i < 4; ++i) p.setData8(76 + i, 1);
    p.setData8(0, static_cast<std::uint8_t>(cycle_ & 1));  // something changes each cycle
    return (cycle_ % 7) != 6;
  }
  bool transfer(ControlPacket&, const TransferRequest&) override { return true; }
  bool rebuildBegin(ControlPacket&) override { return true; }
  bool rebuildEnd(ControlPacket&, std::uint8_t, std::uint8_t) override { return true; }
  bool plugBackup(ControlPacket& p) override {
    const std::size_t at = kPlugBytes * cycle_++;
    if (at + kPlugBytes > size_) return false;
    std::memcpy(p.data(), data_ + at, kPlugBytes);
    return true;
  }
  bool flashCommand(ControlPacket&, std::uint8_t, std::uint16_t, std::uint8_t, const std::uint8_t*) override {
    return true;
  }
  bool rescanBus() override { return true; }
  bool hasHotPlug() const override { return true; }
  bool checksStatusRead() const override { return true; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t cycle_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * kPlugBytes) return 0;
  PlugLink link(data, size);
  SharedPacket packet;
  Monitor monitor(link, packet, kOsFamilyNt, "/proc/self/raidmon-fuzz/");
  monitor.start();
  monitor.startMonitoring();
  for (std::size_t i = 0; i <= size / kPlugBytes + 1; ++i) monitor.pollOnce();
  return 0;
}
