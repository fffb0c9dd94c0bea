#include "emulator/request_log.h"

#include "protocol/control_packet.h"

namespace raidmon::emu {

namespace {
constexpr std::array<std::uint32_t, 13> kKnownCodes = {
    CTL_PROBE,       CTL_READ_CONFIG, CTL_TRANSFER,    CTL_READ_STATUS, CTL_REBUILD_BEGIN,
    CTL_UNNAMED_20,  CTL_REBUILD_END, CTL_UNNAMED_100, CTL_PLUG_BACKUP, FLASH_OP_04,
    FLASH_OP_10,     FLASH_OP_40,     FLASH_OP_80};
}  // namespace

RequestLog::RequestLog() : ring_(kCapacity) {}

std::size_t RequestLog::slotOf(std::uint32_t code) {
  for (std::size_t i = 0; i < kKnownCodes.size(); ++i) {
    if (kKnownCodes[i] == code) return i;
  }
  return kKnownCodes.size();
}

void RequestLog::add(const RequestRecord& r) {
  ring_[next_] = r;
  next_ = (next_ + 1) % kCapacity;
  if (held_ < kCapacity) ++held_;
  ++total_;
  ++counts_[slotOf(r.code)];
}

void RequestLog::markLastFailed() {
  if (held_ == 0) return;
  ring_[(next_ + kCapacity - 1) % kCapacity].failed = true;
}

std::vector<RequestRecord> RequestLog::records() const {
  std::vector<RequestRecord> out;
  out.reserve(held_);
  const std::size_t first = (next_ + kCapacity - held_) % kCapacity;
  for (std::size_t i = 0; i < held_; ++i) out.push_back(ring_[(first + i) % kCapacity]);
  return out;
}

std::uint64_t RequestLog::count(std::uint32_t code) const {
  const std::size_t slot = slotOf(code);
  // Codes outside the known set share one counter; asking for one of them by code
  // would mix them up, so only known codes have a per-code answer.
  return slot < kKnownCodes.size() ? counts_[slot] : 0;
}

void RequestLog::clear() {
  next_ = 0;
  held_ = 0;
  total_ = 0;
  counts_.fill(0);
}

}  // namespace raidmon::emu
