// The emulator's record of the requests it received: a fixed-size ring of recent
// requests and per-code counters, filled without allocating per request.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace raidmon::emu {

enum class Transport : std::uint8_t { Miniport, Aspi };

struct RequestRecord {
  std::uint32_t code = 0;
  Transport transport = Transport::Miniport;
  int port = -1;     // miniport: SCSI port number; ASPI: -1
  int adapter = -1;  // ASPI: host adapter; miniport: -1
  int target = -1;   // ASPI: target id; miniport: -1
  std::array<std::uint8_t, 16> data{};  // the first data bytes as they arrived
  bool failed = false;  // the transport call was made to fail
};

// Not thread-safe on its own; the Controller guards it.
class RequestLog {
 public:
  static constexpr std::size_t kCapacity = 4096;
  // Counter slots: one per known control or flash code, the last for all others.
  static constexpr std::size_t kSlots = 14;
  static std::size_t slotOf(std::uint32_t code);

  RequestLog();

  // Appends a record, dropping the oldest once kCapacity records are held.
  void add(const RequestRecord& r);
  // Marks the newest record failed (no-op when empty).
  void markLastFailed();

  // The held records, oldest first.
  std::vector<RequestRecord> records() const;
  // Requests ever received with this code (records dropped from the ring included).
  // Counts known control and flash codes; other codes give 0 here, see otherCount().
  std::uint64_t count(std::uint32_t code) const;
  // Requests whose code is none of the known ones.
  std::uint64_t otherCount() const { return counts_.back(); }
  std::uint64_t total() const { return total_; }
  void clear();

 private:
  std::vector<RequestRecord> ring_;
  std::size_t next_ = 0;
  std::size_t held_ = 0;
  std::uint64_t total_ = 0;
  std::array<std::uint64_t, kSlots> counts_{};
};

}  // namespace raidmon::emu
