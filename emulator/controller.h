// The emulated controller: driver and up to four cards behind it. Answers every
// control code on both transports, keeps drive data, timeline and injected faults.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "emulator/block_layout.h"
#include "emulator/drive_contents.h"
#include "emulator/flash_chip.h"
#include "emulator/request_log.h"
#include "emulator/scenario.h"

namespace raidmon::emu {

// Cards and positions in this interface are numbered 1..4 as the operator sees them;
// only the transfer request carries 0-based indexes. Every member function may be
// called from any thread: one internal mutex serialises them (a test thread can pull
// a drive while a rebuild worker transfers).
class Controller {
 public:
  // Called before a request is answered, outside the controller's lock, with the
  // request's control code; a test can block here to stall a request.
  using StallHook = std::function<void(std::uint32_t code)>;

  Controller();  // no cards, no drives, no ports
  explicit Controller(const Scenario& scenario);

  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  // ---- transports ------------------------------------------------------------------

  // The driver side of one IOCTL_SCSI_MINIPORT request carrying a whole control
  // packet. Returns false (packet untouched) when `packet` is null or shorter than
  // 2076 bytes, or when the request was made to fail; otherwise answers in place and
  // returns true. Unknown codes leave the packet alone and return true.
  bool handleMiniport(int port, std::uint8_t* packet, std::size_t size);

  // The driver side of one CDB 0x77 request through the ASPI layer; `buffer` holds a
  // control packet of `length` bytes (2076, 48 or 180). At an adapter/target where
  // the controller does not sit, the buffer is left alone and true is returned, so a
  // probe there gets no echo. Answers write only within `length`.
  bool handleAspiCdb77(int adapter, int target, std::uint8_t* buffer, std::size_t length);

  // IOCTL_SCSI_RESCAN_BUS reached the driver: drives plugged back in become configured
  // (active, listed in the configuration block), pulled ones drop out of it, and the
  // child device tables of the plug block are rebuilt.
  void rescanBus();

  // ---- state, as the blocks show it ------------------------------------------------

  std::array<std::uint8_t, kStatusBlockSize> statusBlock() const;
  std::array<std::uint8_t, kPlugBlockSize> plugBlock() const;
  std::array<std::uint8_t, kConfigBlockSize> configBlock() const;
  std::uint16_t rebuildTime() const;
  bool isInserted(int card, int position) const;  // false for bad numbers or no drive

  // Status reads received so far (the timeline's tick).
  std::uint64_t statusTick() const;
  std::uint64_t rescanCount() const;
  // True between an accepted rebuild begin and the next rebuild end.
  bool rebuildBegun() const;
  const std::vector<ScenarioPort>& ports() const { return ports_; }
  std::optional<int> aspiAdapter() const { return aspiAdapter_; }
  int aspiTarget() const { return aspiTarget_; }

  // ---- request log -----------------------------------------------------------------

  std::vector<RequestRecord> requestLog() const;  // the last RequestLog::kCapacity
  std::uint64_t requestCount(std::uint32_t code) const;
  std::uint64_t requestTotal() const;
  void clearRequestLog();

  // ---- drive data ------------------------------------------------------------------

  // Sector access on a declared drive (pulled or not). False for bad numbers, no
  // drive, or a sector beyond its end; nothing is read or written then.
  bool readSector(int card, int position, std::uint32_t sector, std::uint8_t* out) const;
  bool writeSector(int card, int position, std::uint32_t sector, const std::uint8_t* in);

  // True when both drives hold the same bytes over [firstSector, firstSector + count).
  // False for bad numbers, a missing drive, or a range past the end of either drive.
  bool rangeEqual(int srcCard, int srcPos, int dstCard, int dstPos, std::uint32_t firstSector,
                  std::uint32_t count) const;

  // ---- events and faults -----------------------------------------------------------

  // Applies one event now (the timeline applies its events the same way).
  void applyEvent(const Event& event);
  void pull(int card, int position);
  void insert(int card, int position);

  // The next `count` requests with this code fail at the transport (the call returns
  // false, the packet is untouched). Adds to what is pending. Codes the log does not
  // know share one switch.
  void failNextSends(std::uint32_t code, std::uint32_t count);

  // The next `count` transfers fail; with `atSector`, only transfers whose range holds
  // that sector count and fail. Replaces a pending setting; count 0 cancels it.
  void failTransfers(std::uint32_t count, std::optional<std::uint32_t> atSector,
                     TransferFailMode mode);

  // The next `count` requests with `code` (a control code or a flash code) fail in
  // `mode`: the transport fails; or the request is delivered and answered with
  // ReturnCode 0, nothing done (a flash checksum request then keeps its own code in
  // the control-code field); or it is held for `stallMs` and then the transport fails.
  // With `at`, only transfers whose chunk holds that sector, or flash program requests
  // whose block holds that byte offset, count. Faults of one code apply in the order
  // they were made; at most kMaxPendingFaults are pending (older ones are dropped).
  // `skip` lets that many matching requests through before the first failure.
  void failRequests(std::uint32_t code, std::uint32_t count, std::optional<std::uint32_t> at,
                    FaultMode mode, std::uint32_t stallMs = kDefaultStallMs, std::uint32_t skip = 0);
  static constexpr std::size_t kMaxPendingFaults = 64;

  // The next `count` rebuild begins are answered with `returnCode` instead of 1.
  void refuseRebuildBegin(std::uint32_t count, std::uint32_t returnCode);

  void setStallHook(StallHook hook);

  // ---- flash -----------------------------------------------------------------------

  std::uint8_t flashMaker() const;
  std::uint8_t flashDevice() const;
  std::uint32_t flashChecksum(std::uint32_t blocks) const;
  std::array<std::uint8_t, kFlashSize> flashContents() const;

 private:
  struct Position {
    bool hasDrive = false;
    bool inserted = false;
    bool configured = false;  // the driver lists it in the configuration block
    DriveIdentity identity;
    PositionEntry entry;
    std::unique_ptr<DriveContents> contents;
  };
  struct TransferFault {
    std::uint32_t remaining = 0;
    std::optional<std::uint32_t> sector;
    TransferFailMode mode = TransferFailMode::TransportFalse;
  };

  struct RequestFault {
    std::uint32_t code = 0;
    std::uint32_t remaining = 0;
    std::optional<std::uint32_t> at;
    FaultMode mode = FaultMode::TransportFalse;
    std::uint32_t stallMs = kDefaultStallMs;
    std::uint32_t skip = 0;
  };
  // The pending fault that this request meets, counted down; null when none.
  std::optional<RequestFault> takeFaultLocked(std::uint32_t code, const std::uint8_t* buf,
                                              std::size_t size);
  void addFaultLocked(const RequestFault& fault);

  bool answer(Transport transport, int port, int adapter, int target, std::uint8_t* buf,
              std::size_t size);
  // The failure set up for this request, as the result answer() returns; none when the
  // request goes through. A stall unlocks `lock` for its wait.
  std::optional<bool> injectedFailureLocked(std::unique_lock<std::mutex>& lock, std::uint32_t code,
                                            std::uint8_t* buf, std::size_t size);
  // Answers a request that goes through, in place; true unless a transfer failed.
  bool answerLocked(std::uint32_t code, Transport transport, std::uint8_t* buf, std::size_t size);
  bool answerTransfer(std::uint8_t* buf, std::size_t size);
  void answerFlash(std::uint32_t code, Transport transport, std::uint8_t* buf, std::size_t size);
  void applyLocked(const Event& e);
  void applyDueEventsLocked();
  void pullLocked(int card, int position);
  void insertLocked(int card, int position);
  void rebuildChildTablesLocked();
  void buildConfigLocked(std::uint8_t* out) const;
  bool hotPlugChannel(int card, int position) const;
  std::uint8_t& status(std::size_t base, int card, int position);
  std::uint8_t& plug(std::size_t table, int card, int position);
  const Position* driveAt(int card, int position) const;

  mutable std::mutex mu_;
  std::array<Position, kPositionCount> positions_;
  std::array<std::uint8_t, kStatusBlockSize> status_{};
  std::array<std::uint8_t, kPlugBlockSize> plug_{};
  std::array<std::uint32_t, kCapacityCount> capacity_{};
  std::uint32_t controllerValue0_ = 0;
  std::uint16_t controllerValue4_ = 0;
  std::array<std::uint8_t, 4> controllerBytes9_{};
  FlashChip flash_{0, 0};
  std::vector<ScenarioPort> ports_;
  std::optional<int> aspiAdapter_;
  int aspiTarget_ = 0;
  std::uint32_t transferMicros_ = 0;

  std::vector<TimedEvent> timeline_;  // sorted by tick
  std::size_t nextEvent_ = 0;
  std::uint64_t tick_ = 0;
  std::uint64_t rescans_ = 0;

  RequestLog log_;
  std::array<std::uint32_t, RequestLog::kSlots> failNext_{};  // per code slot
  TransferFault transferFault_;
  std::vector<RequestFault> faults_;
  std::uint32_t refuseCount_ = 0;
  std::uint32_t refuseCode_ = 0;
  std::uint32_t badChecksums_ = 0;
  bool rebuildRunning_ = false;
  std::shared_ptr<const StallHook> stallHook_;
  std::array<std::uint8_t, kConfigBlockSize> configScratch_{};
};

}  // namespace raidmon::emu
