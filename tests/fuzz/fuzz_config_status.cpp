// Feeds arbitrary configuration and status blocks to start-up, the configuration
// parse and a run of poll cycles. The first 2048 bytes are the configuration block,
// the next 248 the plug block, the rest a sequence of 100-byte status blocks.
#include <cstdint>
#include <cstring>

#include "link/controller_link.h"
#include "link/shared_packet.h"
#include "monitor/monitor.h"

namespace {

using namespace raidmon;

class BytesLink final : public ControllerLink {
 public:
  BytesLink(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  LocateResult locate(ControlPacket&) override {
    LocateResult r;
    r.portFound = true;
    r.probeResult = 1;
    r.matchingPorts = size_ > 0 ? data_[0] % 3 : 0;
    return r;
  }
  bool readConfig(ControlPacket& p) override { return fill(p, 0, kDataSize); }
  bool readStatus(ControlPacket& p) override {
    const std::size_t at = kDataSize + kPlugBytes + 100 * statusReads_++;
    if (at >= size_) statusReads_ = 0;
    return fill(p, at, 100);
  }
  bool transfer(ControlPacket&, const TransferRequest&) override { return true; }
  bool rebuildBegin(ControlPacket&) override { return true; }
  bool rebuildEnd(ControlPacket&, std::uint8_t, std::uint8_t) override { return true; }
  bool plugBackup(ControlPacket& p) override { return fill(p, kDataSize + (statusReads_ % 2) * 7, kPlugBytes); }
  bool flashCommand(ControlPacket&, std::uint8_t, std::uint16_t, std::uint8_t,
                    const std::uint8_t*) override {
    return true;
  }
  bool rescanBus() override { return true; }
  bool hasHotPlug() const override { return true; }
  bool checksStatusRead() const override { return true; }

 private:
  bool fill(ControlPacket& p, std::size_t at, std::size_t n) {
    p.clearData();
    if (at >= size_) return (statusReads_ & 3) != 3;
    std::memcpy(p.data(), data_ + at, std::min(n, size_ - at));
    return true;
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t statusReads_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A program directory nothing can be written to: the settings load falls back to
  // its defaults at once, so each run spends its time in the parse and the cycles.
  static const std::string dir = "/proc/self/raidmon-fuzz/";
  BytesLink link(data, size);
  SharedPacket packet;
  Monitor monitor(link, packet, kOsFamilyNt, dir);
  monitor.start();
  monitor.startMonitoring();
  for (int i = 0; i < 24; ++i) monitor.pollOnce();
  return 0;
}
