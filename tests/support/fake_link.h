// A scripted controller link: the status, configuration and plug blocks it answers are
// plain byte arrays a test edits between poll cycles, and any request can be made to
// fail: one operation or every one, the next N times or from now on.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "link/controller_link.h"

namespace raidmon::test {

// The operations of a ControllerLink, for choosing which requests fail.
enum class LinkOp {
  Locate,
  ReadConfig,
  ReadStatus,
  Transfer,
  RebuildBegin,
  RebuildEnd,
  PlugBackup,
  FlashCommand,
  RescanBus,
};
inline constexpr int kLinkOpCount = 9;
inline constexpr int kFailAlways = -1;  // a failure count that never runs out

class FakeLink : public ControllerLink {
 public:
  static constexpr std::uint32_t kFlashCall = 0xF1A5;  // logged for every flash command

  std::array<std::uint8_t, kDataSize> status{};
  std::array<std::uint8_t, kDataSize> config{};
  std::array<std::uint8_t, kDataSize> plug{};
  LocateResult located{true, true, 1, 1, 100, 0, {}};
  bool hotPlug = true;  // direct-port behaviour by default
  // When set, the checksum request (0x40) answers with this value in the packet
  // header's control-code field, as the controller leaves its sum there.
  std::optional<std::uint32_t> checksumReply;
  // Every request by its control code (kFlashCall for a flash command), failed ones
  // included; bus rescans are counted apart.
  std::vector<std::uint32_t> calls;
  int rescans = 0;

  // The next `times` requests of `op` fail (kFailAlways: every one from now on). A
  // failed request returns false (a locate finds nothing) and leaves the packet alone.
  void failNext(LinkOp op, int times = 1) { failures_[index(op)] = times; }
  // Every operation fails the next `times` times (kFailAlways: from now on).
  void failAll(int times = kFailAlways) { failures_.fill(times); }
  void failNone() { failures_.fill(0); }

  LocateResult locate(ControlPacket&) override {
    calls.push_back(CTL_PROBE);
    if (failing(LinkOp::Locate)) return LocateResult{};
    return located;
  }
  bool readConfig(ControlPacket& p) override { return answer(p, LinkOp::ReadConfig, CTL_READ_CONFIG, config); }
  bool readStatus(ControlPacket& p) override { return answer(p, LinkOp::ReadStatus, CTL_READ_STATUS, status); }
  bool transfer(ControlPacket&, const TransferRequest&) override { return request(LinkOp::Transfer, CTL_TRANSFER); }
  bool rebuildBegin(ControlPacket&) override { return request(LinkOp::RebuildBegin, CTL_REBUILD_BEGIN); }
  bool rebuildEnd(ControlPacket&, std::uint8_t, std::uint8_t) override {
    return request(LinkOp::RebuildEnd, CTL_REBUILD_END);
  }
  bool plugBackup(ControlPacket& p) override {
    if (!hotPlug) return false;  // no plug tables on the bridge: nothing is sent
    return answer(p, LinkOp::PlugBackup, CTL_PLUG_BACKUP, plug);
  }
  bool flashCommand(ControlPacket& p, std::uint8_t code, std::uint16_t, std::uint8_t,
                    const std::uint8_t*) override {
    if (!request(LinkOp::FlashCommand, kFlashCall)) return false;
    if (code == FLASH_OP_40 && checksumReply) p.setControlCode(*checksumReply);
    return true;
  }
  bool rescanBus() override {
    ++rescans;
    return !failing(LinkOp::RescanBus);
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
  static std::size_t index(LinkOp op) { return static_cast<std::size_t>(op); }
  // True when this request of `op` is to fail; counts the failure off.
  bool failing(LinkOp op) {
    int& left = failures_[index(op)];
    if (left == 0) return false;
    if (left > 0) --left;
    return true;
  }
  bool request(LinkOp op, std::uint32_t code) {
    calls.push_back(code);
    return !failing(op);
  }
  bool answer(ControlPacket& p, LinkOp op, std::uint32_t code, const std::array<std::uint8_t, kDataSize>& block) {
    if (!request(op, code)) return false;
    p.fillDirectHeader(code, kDataSize);
    std::memcpy(p.data(), block.data(), kDataSize);
    return true;
  }

  std::array<int, kLinkOpCount> failures_{};
};

}  // namespace raidmon::test
