#include "emulator/controller.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "protocol/byte_order.h"
#include "protocol/control_packet.h"

namespace raidmon::emu {

namespace {

// Return codes the driver writes: 1 = done/accepted, 0 = failed.
constexpr std::uint32_t kDone = 1;
constexpr std::uint32_t kFailed = 0;
// PioStatus of a present drive: plug state 0 in the high nibble, PIO mode 4 below.
constexpr std::uint8_t kPioPresent = 0x04;
constexpr std::uint8_t kPlugStatePulled = 5;

bool validCard(int card) { return card >= 1 && card <= kCardCount; }
bool validPosition(int card, int position) {
  return validCard(card) && position >= 1 && position <= kPositionsPerCard;
}

std::uint64_t driveSeed(int card, int position) {
  return 0x6B3A9E1F00000000ull ^ (static_cast<std::uint64_t>(card) << 8) ^
         static_cast<std::uint64_t>(position) ^ 0x5DEECE66Dull;
}

void setReturnCode(std::uint8_t* buf, std::uint32_t v) { storeLe32(buf + kOffReturnCode, v); }

// Copies `n` block bytes into the data area and clears the rest of the data area,
// all within the `size` bytes the caller handed in.
void putBlock(std::uint8_t* buf, std::size_t size, const std::uint8_t* block, std::size_t n) {
  const std::size_t cap = std::min(size - kHeaderSize, kDataSize);
  const std::size_t copy = std::min(cap, n);
  std::memcpy(buf + kHeaderSize, block, copy);
  std::memset(buf + kHeaderSize + copy, 0, cap - copy);
}

}  // namespace

Controller::Controller() = default;

Controller::Controller(const Scenario& s)
    : capacity_(s.capacity),
      controllerValue0_(s.controllerValue0),
      controllerValue4_(s.controllerValue4),
      controllerBytes9_(s.controllerBytes9),
      flash_(s.flashMaker, s.flashDevice),
      ports_(s.ports),
      aspiAdapter_(s.aspiAdapter),
      aspiTarget_(s.aspiTarget),
      transferMicros_(s.transferMicros),
      timeline_(s.timeline) {
  for (int i = 0; i < kPositionCount; ++i) positions_[i].entry = s.entries[i];
  for (const ScenarioDrive& d : s.drives) {
    if (!validPosition(d.card, d.position)) continue;
    Position& p = positions_[entryIndex(d.card, d.position)];
    p.hasDrive = true;
    p.inserted = d.inserted;
    p.configured = d.inserted;
    p.identity = d.identity;
    p.contents = std::make_unique<DriveContents>(driveSeed(d.card, d.position),
                                                 d.identity.totalSectors);
    const std::uint8_t in = d.inserted ? 1 : 0;
    // Drives start idle: the active byte tells of I/O in progress (the `active` event).
    status(kStatusPresent, d.card, d.position) = in;
    plug(kPlugPioStatus, d.card, d.position) = d.inserted ? kPioPresent : 0;
    plug(kPlugExistTavrix, d.card, d.position) = in;
    plug(kPlugExistFilter, d.card, d.position) = in;
  }
  rebuildChildTablesLocked();
  std::stable_sort(timeline_.begin(), timeline_.end(),
                   [](const TimedEvent& a, const TimedEvent& b) { return a.tick < b.tick; });
  for (const Event& e : s.initialEvents) applyLocked(e);
}

// ---- helpers -------------------------------------------------------------------------

std::uint8_t& Controller::status(std::size_t base, int card, int position) {
  return status_[base + static_cast<std::size_t>(entryIndex(card, position))];
}

std::uint8_t& Controller::plug(std::size_t table, int card, int position) {
  return plug_[plugTableOffset(table, card, position)];
}

bool Controller::hotPlugChannel(int card, int position) const {
  return status_[statusHotPlugOffset(card, channelOf(position))] != 0;
}

const Controller::Position* Controller::driveAt(int card, int position) const {
  if (!validPosition(card, position)) return nullptr;
  const Position& p = positions_[entryIndex(card, position)];
  return p.hasDrive ? &p : nullptr;
}

void Controller::rebuildChildTablesLocked() {
  // One child device per inserted drive, in entry order, as the driver reports them.
  std::memset(plug_.data() + kPlugChildPdo, 0, kPlugCountPdo + 4);
  std::uint32_t n = 0;
  for (int i = 0; i < kPositionCount && n < kPlugPdoSlots; ++i) {
    if (!positions_[i].hasDrive || !positions_[i].inserted) continue;
    storeLe32(plug_.data() + kPlugChildPdo + 4 * n, 0x81000000u | (static_cast<std::uint32_t>(i) << 8));
    storeLe32(plug_.data() + kPlugTargetId + 4 * n, static_cast<std::uint32_t>(i));
    ++n;
  }
  storeLe32(plug_.data() + kPlugCountPdo, n);
  storeLe32(plug_.data() + kPlugTavrixATA, 1);
}

// ---- transports ----------------------------------------------------------------------

bool Controller::handleMiniport(int port, std::uint8_t* packet, std::size_t size) {
  if (packet == nullptr || size < kPacketSize) return false;
  return answer(Transport::Miniport, port, -1, -1, packet, kPacketSize);
}

bool Controller::handleAspiCdb77(int adapter, int target, std::uint8_t* buffer,
                                 std::size_t length) {
  if (buffer == nullptr || length < kHeaderSize) return false;
  {
    std::lock_guard lock(mu_);
    if (!aspiAdapter_ || *aspiAdapter_ != adapter || aspiTarget_ != target) return true;
  }
  return answer(Transport::Aspi, -1, adapter, target, buffer, std::min(length, kPacketSize));
}

bool Controller::answer(Transport transport, int port, int adapter, int target,
                        std::uint8_t* buf, std::size_t size) {
  const std::uint32_t code = loadLe32(buf + kOffControlCode);
  std::shared_ptr<const StallHook> hook;
  {
    std::lock_guard lock(mu_);
    hook = stallHook_;
  }
  if (hook) (*hook)(code);
  if (code == CTL_TRANSFER && transferMicros_ > 0) {
    // A transfer takes as long as the disks need, without holding up other requests.
    // Where the system sleeps only in whole milliseconds (Windows: a sleep of 300 µs
    // returns at once), the rest of the time is waited out yielding the processor.
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(transferMicros_);
    std::this_thread::sleep_for(std::chrono::microseconds(transferMicros_));
    while (std::chrono::steady_clock::now() < until) std::this_thread::yield();
  }

  std::unique_lock lock(mu_);
  RequestRecord rec;
  rec.code = code;
  rec.transport = transport;
  rec.port = port;
  rec.adapter = adapter;
  rec.target = target;
  std::memcpy(rec.data.data(), buf + kHeaderSize, std::min(rec.data.size(), size - kHeaderSize));
  log_.add(rec);

  if (code == CTL_READ_STATUS) {
    ++tick_;
    applyDueEventsLocked();
  }
  if (const std::optional<bool> failed = injectedFailureLocked(lock, code, buf, size)) return *failed;
  return answerLocked(code, transport, buf, size);
}

std::optional<bool> Controller::injectedFailureLocked(std::unique_lock<std::mutex>& lock, std::uint32_t code,
                                                      std::uint8_t* buf, std::size_t size) {
  std::uint32_t& failing = failNext_[RequestLog::slotOf(code)];
  if (failing > 0) {
    --failing;
    log_.markLastFailed();
    return false;
  }
  const std::optional<RequestFault> fault = takeFaultLocked(code, buf, size);
  if (!fault) return std::nullopt;
  switch (fault->mode) {
    case FaultMode::ReturnCodeZero:
      setReturnCode(buf, kFailed);
      return true;
    case FaultMode::Stall:
      // The driver holds the request until its time-out, then gives up on it; other
      // requests are not held up meanwhile.
      log_.markLastFailed();
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(fault->stallMs));
      return false;
    case FaultMode::TransportFalse:
      log_.markLastFailed();
      return false;
  }
  return std::nullopt;
}

bool Controller::answerLocked(std::uint32_t code, Transport transport, std::uint8_t* buf, std::size_t size) {
  switch (code) {
    case CTL_PROBE:
      setReturnCode(buf, CTL_PROBE);
      return true;
    case CTL_READ_CONFIG:
      buildConfigLocked(configScratch_.data());
      putBlock(buf, size, configScratch_.data(), configScratch_.size());
      setReturnCode(buf, kDone);
      return true;
    case CTL_READ_STATUS:
      putBlock(buf, size, status_.data(), status_.size());
      setReturnCode(buf, kDone);
      return true;
    case CTL_PLUG_BACKUP:
      putBlock(buf, size, plug_.data(), plug_.size());
      setReturnCode(buf, kDone);
      return true;
    case CTL_REBUILD_BEGIN:
      if (refuseCount_ > 0) {
        --refuseCount_;
        setReturnCode(buf, refuseCode_);
      } else {
        rebuildRunning_ = true;
        setReturnCode(buf, kDone);
      }
      return true;
    case CTL_TRANSFER: {
      const bool delivered = answerTransfer(buf, size);
      if (!delivered) log_.markLastFailed();
      return delivered;
    }
    case CTL_REBUILD_END:
      std::memset(status_.data() + kStatusRebuildTarget, 0, 2 * kPositionCount);
      storeLe16(status_.data() + kStatusRebuildTime, 0);
      rebuildRunning_ = false;
      setReturnCode(buf, kDone);
      return true;
    case FLASH_OP_04:
    case FLASH_OP_10:
    case FLASH_OP_40:
    case FLASH_OP_80:
      answerFlash(code, transport, buf, size);
      return true;
    default:
      return true;  // not ours: the packet stays as it came
  }
}

bool Controller::answerTransfer(std::uint8_t* buf, std::size_t size) {
  if (size < kHeaderSize + kXferCount + 2) {
    setReturnCode(buf, kFailed);
    return true;
  }
  const std::uint8_t* d = buf + kHeaderSize;
  const int srcCard = d[kXferSourceCard] + 1;
  const int srcPos = d[kXferSourcePos] + 1;
  const int dstCard = d[kXferTargetCard] + 1;
  const int dstPos = d[kXferTargetPos] + 1;
  const std::uint32_t first = loadLe32(d + kXferFirstSector);
  const std::uint32_t count = loadLe16(d + kXferCount);

  TransferFault& f = transferFault_;
  if (f.remaining > 0) {
    const bool hit = !f.sector || (*f.sector >= first &&
                                   static_cast<std::uint64_t>(*f.sector) < std::uint64_t{first} + count);
    if (hit) {
      --f.remaining;
      if (f.mode == TransferFailMode::TransportFalse) return false;
      setReturnCode(buf, kFailed);
      return true;
    }
  }

  const Position* src = driveAt(srcCard, srcPos);
  const Position* dst = driveAt(dstCard, dstPos);
  bool ok = src && dst && src->inserted && dst->inserted;
  if (ok) {
    ok = positions_[entryIndex(dstCard, dstPos)].contents->copyFrom(*src->contents, first, count);
  }
  setReturnCode(buf, ok ? kDone : kFailed);
  return true;
}

void Controller::answerFlash(std::uint32_t code, Transport transport, std::uint8_t* buf,
                             std::size_t size) {
  const std::uint8_t* d = buf + kHeaderSize;
  const std::size_t cap = size - kHeaderSize;
  const std::uint32_t address = cap >= kFlashAddress + 4 ? loadLe32(d + kFlashAddress) : 0;
  std::uint32_t rc = kDone;
  switch (code) {
    case FLASH_OP_04:
      flash_.erase();
      break;
    case FLASH_OP_10: {
      const std::size_t blockAt =
          transport == Transport::Aspi ? kFlashBlockAspi : kFlashBlockDirect;
      if (cap < blockAt + kFlashBlockSize || !flash_.program(address, d + blockAt)) rc = kFailed;
      break;
    }
    case FLASH_OP_40: {
      std::uint32_t sum = flash_.checksum(address) & 0xFFFF;
      if (badChecksums_ > 0) {
        --badChecksums_;
        sum = (sum + 1) & 0xFFFF;
      }
      storeLe32(buf + kOffControlCode, sum);
      break;
    }
    default:  // FLASH_OP_80: end of the flash operation
      break;
  }
  setReturnCode(buf, rc);
}

void Controller::rescanBus() {
  std::lock_guard lock(mu_);
  ++rescans_;
  for (int card = 1; card <= kCardCount; ++card) {
    for (int pos = 1; pos <= kPositionsPerCard; ++pos) {
      Position& p = positions_[entryIndex(card, pos)];
      if (!p.hasDrive) continue;
      p.configured = p.inserted;
    }
  }
  rebuildChildTablesLocked();
}

// ---- configuration block -------------------------------------------------------------

void Controller::buildConfigLocked(std::uint8_t* out) const {
  std::memset(out, 0, kConfigBlockSize);
  storeLe32(out + kConfigValue0, controllerValue0_);
  storeLe16(out + kConfigValue4, controllerValue4_);
  std::memcpy(out + kConfigBytes9, controllerBytes9_.data(), controllerBytes9_.size());
  for (std::size_t i = 0; i < kCapacityCount; ++i) {
    storeLe32(out + kConfigCapacity + 4 * i, capacity_[i]);
  }
  for (int i = 0; i < kPositionCount; ++i) {
    const Position& p = positions_[i];
    if (p.hasDrive && !p.configured) continue;  // the driver does not list it now
    std::uint8_t* e = out + kConfigEntries + 3 * static_cast<std::size_t>(i);
    e[0] = p.entry.kind;
    e[1] = p.entry.arrayId;
    e[2] = p.entry.memberIndex;
    if (!p.hasDrive) continue;
    std::uint8_t* r = out + kConfigIdentity + kIdentitySize * static_cast<std::size_t>(i);
    const DriveIdentity& id = p.identity;
    storeLe16(r + kIdCylinders, id.cylinders);
    storeLe16(r + kIdHeads, id.heads);
    storeLe16(r + kIdSectorsPerTrack, id.sectorsPerTrack);
    std::memset(r + kIdSerial, ' ', kIdSerialSize);
    std::memcpy(r + kIdSerial, id.serial.data(), std::min(id.serial.size(), kIdSerialSize));
    // The model text goes out as ATA IDENTIFY holds it: the two bytes of each word swapped.
    char model[kIdModelSize];
    std::memset(model, ' ', sizeof model);
    std::memcpy(model, id.model.data(), std::min(id.model.size(), kIdModelSize));
    for (std::size_t k = 0; k < kIdModelSize; k += 2) {
      r[kIdModel + k] = static_cast<std::uint8_t>(model[k + 1]);
      r[kIdModel + k + 1] = static_cast<std::uint8_t>(model[k]);
    }
    storeLe32(r + kIdTotalSectors, id.totalSectors);
    r[kIdUdma] = id.udmaBits;
  }
  out[kConfigFlashDevice] = flash_.device();
  out[kConfigFlashMaker] = flash_.maker();
}

// ---- events --------------------------------------------------------------------------

void Controller::applyDueEventsLocked() {
  while (nextEvent_ < timeline_.size() && timeline_[nextEvent_].tick <= tick_) {
    applyLocked(timeline_[nextEvent_].event);
    ++nextEvent_;
  }
}

void Controller::pullLocked(int card, int position) {
  if (!validPosition(card, position)) return;
  Position& p = positions_[entryIndex(card, position)];
  if (!p.hasDrive || !p.inserted) return;
  p.inserted = false;
  status(kStatusPresent, card, position) = 0;
  status(kStatusActive, card, position) = 0;
  if (hotPlugChannel(card, position)) {
    // The driver's hot-plug watch sees the drive leave and forgets it at once.
    std::uint8_t& pio = plug(kPlugPioStatus, card, position);
    pio = static_cast<std::uint8_t>((kPlugStatePulled << 4) | (pio & 0x0F));
    plug(kPlugExistTavrix, card, position) = 0;
    plug(kPlugExistFilter, card, position) = 0;
    p.configured = false;
  }
}

void Controller::insertLocked(int card, int position) {
  if (!validPosition(card, position)) return;
  Position& p = positions_[entryIndex(card, position)];
  if (!p.hasDrive || p.inserted) return;
  p.inserted = true;
  status(kStatusPresent, card, position) = 1;
  if (hotPlugChannel(card, position)) {
    // The hot-plug watch sees the drive arrive, as it saw it leave, and lists it again.
    plug(kPlugExistTavrix, card, position) = 1;
    plug(kPlugExistFilter, card, position) = 1;
    p.configured = true;
  }
}

void Controller::applyLocked(const Event& e) {
  switch (e.kind) {
    case EventKind::Pull:
      pullLocked(e.card, e.position);
      break;
    case EventKind::Insert:
      insertLocked(e.card, e.position);
      break;
    case EventKind::SetActive:
      if (validPosition(e.card, e.position)) status(kStatusActive, e.card, e.position) = e.value ? 1 : 0;
      break;
    case EventKind::SetHot:
      if (validPosition(e.card, e.position)) status(kStatusHot, e.card, e.position) = e.value ? 1 : 0;
      break;
    case EventKind::HotPlugMode:
      if (validCard(e.card) && (e.position == 1 || e.position == 2)) {
        status_[statusHotPlugOffset(e.card, e.position)] = e.value ? 1 : 0;
      }
      break;
    case EventKind::RebuildFlags:
      if (validPosition(e.card, e.position) && validPosition(e.card2, e.position2)) {
        status(kStatusRebuildTarget, e.card, e.position) = 1;
        status(kStatusRebuildSource, e.card2, e.position2) = 1;
      }
      break;
    case EventKind::RebuildClear:
      std::memset(status_.data() + kStatusRebuildTarget, 0, 2 * kPositionCount);
      break;
    case EventKind::RebuildTime:
      storeLe16(status_.data() + kStatusRebuildTime, static_cast<std::uint16_t>(e.value));
      break;
    case EventKind::StatusByte:
      if (e.value < status_.size()) status_[e.value] = static_cast<std::uint8_t>(e.value2);
      break;
    case EventKind::PlugByte:
      if (e.value < plug_.size()) plug_[e.value] = static_cast<std::uint8_t>(e.value2);
      break;
    case EventKind::PlugState:
      if (validPosition(e.card, e.position)) {
        std::uint8_t& pio = plug(kPlugPioStatus, e.card, e.position);
        pio = static_cast<std::uint8_t>(((e.value & 0x0F) << 4) | (pio & 0x0F));
      }
      break;
    case EventKind::FailStatus:
      failNext_[RequestLog::slotOf(CTL_READ_STATUS)] += e.value;
      break;
    case EventKind::FailSend:
      failNext_[RequestLog::slotOf(e.value)] += e.value2;
      break;
    case EventKind::FailTransfer:
      transferFault_ = {e.value, e.sector, e.failMode};
      break;
    case EventKind::RefuseRebuild:
      refuseCount_ = e.value;
      refuseCode_ = e.value2;
      break;
    case EventKind::BadChecksum:
      badChecksums_ += e.value;
      break;
    case EventKind::Fail:
      addFaultLocked({e.value, e.value2, e.sector, e.failMode, e.stallMs, e.skip});
      break;
  }
}

void Controller::applyEvent(const Event& event) {
  std::lock_guard lock(mu_);
  applyLocked(event);
}

void Controller::pull(int card, int position) {
  std::lock_guard lock(mu_);
  pullLocked(card, position);
}

void Controller::insert(int card, int position) {
  std::lock_guard lock(mu_);
  insertLocked(card, position);
}

void Controller::failNextSends(std::uint32_t code, std::uint32_t count) {
  std::lock_guard lock(mu_);
  failNext_[RequestLog::slotOf(code)] += count;
}

void Controller::failTransfers(std::uint32_t count, std::optional<std::uint32_t> atSector,
                               TransferFailMode mode) {
  std::lock_guard lock(mu_);
  transferFault_ = {count, atSector, mode};
}

std::optional<Controller::RequestFault> Controller::takeFaultLocked(std::uint32_t code,
                                                                   const std::uint8_t* buf,
                                                                   std::size_t size) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->code != code) continue;
    if (it->at) {
      const std::uint8_t* d = buf + kHeaderSize;
      std::uint64_t first = 0, count = 0;
      if (code == CTL_TRANSFER && size >= kHeaderSize + kXferCount + 2) {
        first = loadLe32(d + kXferFirstSector);
        count = loadLe16(d + kXferCount);
      } else if (code == FLASH_OP_10 && size >= kHeaderSize + kFlashAddress + 4) {
        first = loadLe32(d + kFlashAddress);
        count = kFlashBlockSize;
      }
      if (*it->at < first || *it->at >= first + count) continue;
    }
    if (it->skip > 0) {
      --it->skip;
      return std::nullopt;
    }
    const RequestFault met = *it;
    if (--it->remaining == 0) faults_.erase(it);
    return met;
  }
  return std::nullopt;
}

void Controller::addFaultLocked(const RequestFault& fault) {
  if (fault.remaining == 0) return;
  if (faults_.size() >= kMaxPendingFaults) faults_.erase(faults_.begin());
  faults_.push_back(fault);
}

void Controller::failRequests(std::uint32_t code, std::uint32_t count,
                              std::optional<std::uint32_t> at, FaultMode mode,
                              std::uint32_t stallMs, std::uint32_t skip) {
  std::lock_guard lock(mu_);
  addFaultLocked({code, count, at, mode, stallMs, skip});
}

void Controller::refuseRebuildBegin(std::uint32_t count, std::uint32_t returnCode) {
  std::lock_guard lock(mu_);
  refuseCount_ = count;
  refuseCode_ = returnCode;
}

void Controller::setStallHook(StallHook hook) {
  std::lock_guard lock(mu_);
  stallHook_ = hook ? std::make_shared<const StallHook>(std::move(hook)) : nullptr;
}

// ---- inspection ----------------------------------------------------------------------

std::array<std::uint8_t, kStatusBlockSize> Controller::statusBlock() const {
  std::lock_guard lock(mu_);
  return status_;
}

std::array<std::uint8_t, kPlugBlockSize> Controller::plugBlock() const {
  std::lock_guard lock(mu_);
  return plug_;
}

std::array<std::uint8_t, kConfigBlockSize> Controller::configBlock() const {
  std::array<std::uint8_t, kConfigBlockSize> out;
  std::lock_guard lock(mu_);
  buildConfigLocked(out.data());
  return out;
}

std::uint16_t Controller::rebuildTime() const {
  std::lock_guard lock(mu_);
  return loadLe16(status_.data() + kStatusRebuildTime);
}

bool Controller::isInserted(int card, int position) const {
  std::lock_guard lock(mu_);
  const Position* p = driveAt(card, position);
  return p && p->inserted;
}

std::uint64_t Controller::statusTick() const {
  std::lock_guard lock(mu_);
  return tick_;
}

std::uint64_t Controller::rescanCount() const {
  std::lock_guard lock(mu_);
  return rescans_;
}

bool Controller::rebuildBegun() const {
  std::lock_guard lock(mu_);
  return rebuildRunning_;
}

std::vector<RequestRecord> Controller::requestLog() const {
  std::lock_guard lock(mu_);
  return log_.records();
}

std::uint64_t Controller::requestCount(std::uint32_t code) const {
  std::lock_guard lock(mu_);
  return log_.count(code);
}

std::uint64_t Controller::requestTotal() const {
  std::lock_guard lock(mu_);
  return log_.total();
}

void Controller::clearRequestLog() {
  std::lock_guard lock(mu_);
  log_.clear();
}

bool Controller::readSector(int card, int position, std::uint32_t sector,
                            std::uint8_t* out) const {
  std::lock_guard lock(mu_);
  const Position* p = driveAt(card, position);
  return p && out && p->contents->readSector(sector, out);
}

bool Controller::writeSector(int card, int position, std::uint32_t sector,
                             const std::uint8_t* in) {
  std::lock_guard lock(mu_);
  if (!driveAt(card, position) || !in) return false;
  return positions_[entryIndex(card, position)].contents->writeSector(sector, in);
}

bool Controller::rangeEqual(int srcCard, int srcPos, int dstCard, int dstPos,
                            std::uint32_t firstSector, std::uint32_t count) const {
  std::lock_guard lock(mu_);
  const Position* a = driveAt(srcCard, srcPos);
  const Position* b = driveAt(dstCard, dstPos);
  return a && b && DriveContents::rangeEqual(*a->contents, *b->contents, firstSector, count);
}

std::uint8_t Controller::flashMaker() const {
  std::lock_guard lock(mu_);
  return flash_.maker();
}

std::uint8_t Controller::flashDevice() const {
  std::lock_guard lock(mu_);
  return flash_.device();
}

std::uint32_t Controller::flashChecksum(std::uint32_t blocks) const {
  std::lock_guard lock(mu_);
  return flash_.checksum(blocks);
}

std::array<std::uint8_t, kFlashSize> Controller::flashContents() const {
  std::lock_guard lock(mu_);
  return flash_.contents();
}

}  // namespace raidmon::emu
