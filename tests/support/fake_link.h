// A scripted controller link for monitor tests: the status, configuration and plug
// blocks it answers are plain byte arrays a test edits between poll cycles.
#pragma once

#include <array>
#include <cstring>
#include <vector>

#include "link/controller_link.h"

namespace raidmon::test {

class FakeLink : public ControllerLink {
 public:
  static constexpr std::uint32_t kFlashCall = 0xF1A5;  // logged for every flash command
 public:
  std::array<std::uint8_t, kDataSize> status{};
  std::array<std::uint8_t, kDataSize> config{};
  std::array<std::uint8_t, kDataSize> plug{};
  LocateResult located{true, true, 1, 1, 100, 0, {}};
  bool hotPlug = true;      // direct-port behaviour by default
  int failStatusReads = 0;  // the next N status reads fail
  int failConfigReads = 0;  // the next N configuration reads fail
  int failPlugReads = 0;    // the next N plug table reads fail
  std::vector<std::uint32_t> calls;
  int rescans = 0;

  LocateResult locate(ControlPacket&) override {
    calls.push_back(CTL_PROBE);
    return located;
  }
  bool readConfig(ControlPacket& p) override {
    if (failConfigReads > 0) {
      --failConfigReads;
      calls.push_back(CTL_READ_CONFIG);
      return false;
    }
    return answer(p, CTL_READ_CONFIG, config);
  }
  bool readStatus(ControlPacket& p) override {
    if (failStatusReads > 0) {
      --failStatusReads;
      calls.push_back(CTL_READ_STATUS);
      return false;
    }
    return answer(p, CTL_READ_STATUS, status);
  }
  bool transfer(ControlPacket&, const TransferRequest&) override { return true; }
  bool rebuildBegin(ControlPacket&) override { return true; }
  bool rebuildEnd(ControlPacket&, std::uint8_t, std::uint8_t) override { return true; }
  bool plugBackup(ControlPacket& p) override {
    if (!hotPlug) return false;
    if (failPlugReads > 0) {
      --failPlugReads;
      calls.push_back(CTL_PLUG_BACKUP);
      return false;
    }
    return answer(p, CTL_PLUG_BACKUP, plug);
  }
  bool flashCommand(ControlPacket&, std::uint8_t, std::uint16_t, std::uint8_t,
                    const std::uint8_t*) override {
    calls.push_back(kFlashCall);
    return true;
  }
  bool rescanBus() override {
    ++rescans;
    return true;
  }
  bool hasHotPlug() const override { return hotPlug; }
  bool checksStatusRead() const override { return hotPlug; }

  int count(std::uint32_t code) const {
    int n = 0;
    for (auto c : calls) n += c == code;
    return n;
  }

  // Status helpers (entry index e = 4 * (card - 1) + position - 1).
  void set(std::size_t offset, std::uint8_t v) { status[offset] = v; }
  void present(int e, bool on = true) { status[16 + e] = on ? 1 : 0; }

 private:
  bool answer(ControlPacket& p, std::uint32_t code, const std::array<std::uint8_t, kDataSize>& block) {
    calls.push_back(code);
    p.fillDirectHeader(code, kDataSize);
    std::memcpy(p.data(), block.data(), kDataSize);
    return true;
  }
};

}  // namespace raidmon::test
