// The ASPI layer stand-in: queues execute requests, delivers CDB 0x77 requests to the
// attached backend on its own worker thread and signals each request's event.
#include "platform/aspi32/aspi32.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/manual_reset_event.h"
#include "platform/spin_wait.h"

// Only the layer's entry points leave the library: the rest is hidden on ELF systems;
// on Windows the module definition file lists the exports.
#if defined(_WIN32)
#define ASPI32_EXPORT
#else
#define ASPI32_EXPORT __attribute__((visibility("default")))
#endif

namespace raidmon::aspi {

namespace {

constexpr std::uint8_t kVendorCdb = 0x77;

struct Outcome {
  std::uint8_t status = SS_COMP;
  std::uint8_t haStat = HASTAT_OK;
  std::uint8_t targStat = STATUS_GOOD;
};

// One layer per process. It is never destroyed: its worker thread may outlive every
// static object, and a process that ends simply ends it.
class Layer {
 public:
  std::uint32_t supportInfo() {
    std::lock_guard lock(mu_);
    return (std::uint32_t{SS_COMP} << 8) | adapterCount_;
  }

  std::uint32_t execute(ExecRequest* r) {
    SRB_ExecSCSICmd& s = r->srb;
    std::unique_lock lock(mu_);
    if (s.SRB_HaId >= adapterCount_) return s.SRB_Status = SS_INVALID_HA;
    if (s.SRB_CDBLen == 0 || s.SRB_CDBLen > sizeof s.CDBByte || s.SRB_BufLen > kMaxBufferLength ||
        (s.SRB_BufLen > 0 && bufferOf(*r) == nullptr)) {
      return s.SRB_Status = SS_INVALID_SRB;
    }
    if (immediate_ != 0 && immediate_ != SS_COMP) return s.SRB_Status = immediate_;
    ++counters_.sent;
    s.SRB_Status = SS_PENDING;
    s.SRB_HaStat = HASTAT_OK;
    s.SRB_TargStat = STATUS_GOOD;
    if (immediate_ == SS_COMP) {
      // Completed on the caller's thread, still one delivery at a time.
      idle_.wait(lock, [this] { return !delivering_; });
      runOne(lock, r, false);
      return s.SRB_Status;
    }
    queue_.push_back(r);
    queued_.store(queue_.size(), std::memory_order_release);
    if (!workerStarted_) {
      workerStarted_ = true;
      std::thread([this] { workerLoop(); }).detach();
    }
    work_.notify_all();
    return SS_PENDING;
  }

  std::uint32_t abort(AbortRequest* a) {
    std::lock_guard lock(mu_);
    ExecRequest* target = toAbortOf(*a);
    const auto queued = std::find(queue_.begin(), queue_.end(), target);
    bool taken = false;
    if (target != nullptr && queued != queue_.end()) {
      queue_.erase(queued);
      queued_.store(queue_.size(), std::memory_order_release);
      taken = true;
    } else if (target != nullptr && running_ == target && !runningAborted_) {
      // The backend still has it; its answer will be thrown away.
      runningAborted_ = true;
      taken = true;
    }
    if (!taken) return a->srb.SRB_Status = SS_ABORT_FAIL;
    ++counters_.aborted;
    target->srb.SRB_Status = SS_ABORTED;
    signal(target);
    return a->srb.SRB_Status = SS_COMP;
  }

  void attach(Aspi32Backend backend, void* context, std::uint8_t adapterCount) {
    std::unique_lock lock(mu_);
    idle_.wait(lock, [this] { return !delivering_; });
    backend_ = backend;
    context_ = context;
    adapterCount_ = adapterCount;
  }

  void setStall(bool on) {
    {
      std::lock_guard lock(mu_);
      stall_ = on;
    }
    work_.notify_all();
  }

  void setImmediate(std::uint8_t status) {
    std::lock_guard lock(mu_);
    immediate_ = status;
  }

  Aspi32Counters counters() {
    std::lock_guard lock(mu_);
    return counters_;
  }

 private:
  void workerLoop() {
    std::unique_lock lock(mu_);
    const auto ready = [this] { return !queue_.empty() && !stall_ && !delivering_; };
    for (;;) {
      if (!ready()) {
        // A caller that goes on at once (the next rebuild chunk) is met without a
        // sleep and a wake-up in between.
        lock.unlock();
        spin_([this] { return queued_.load(std::memory_order_acquire) > 0; });
        lock.lock();
        work_.wait(lock, ready);
      }
      ExecRequest* r = queue_.front();
      queue_.pop_front();
      queued_.store(queue_.size(), std::memory_order_release);
      runOne(lock, r, true);
    }
  }

  // Delivers one request outside the lock, on a copy of its buffer, and completes it
  // unless it was aborted meanwhile. Called and returns with `lock` held.
  void runOne(std::unique_lock<std::mutex>& lock, ExecRequest* r, bool postEvent) {
    running_ = r;
    runningAborted_ = false;
    delivering_ = true;
    const SRB_ExecSCSICmd srb = r->srb;
    std::uint8_t* const buffer = bufferOf(*r);
    std::vector<std::uint8_t> bounce(buffer, buffer + srb.SRB_BufLen);
    const Aspi32Backend backend = backend_;
    void* const context = context_;
    Outcome outcome;
    bool ran = false;
    if (srb.CDBByte[0] != kVendorCdb) {
      outcome = {SS_ERR, HASTAT_OK, STATUS_CHKCOND};
    } else if (backend == nullptr) {
      outcome = {SS_ERR, HASTAT_SEL_TO, STATUS_GOOD};
    } else {
      ++counters_.delivered;
      ran = true;
      lock.unlock();
      const int ok = backend(context, srb.SRB_HaId, srb.SRB_Target, &srb, bounce.data(),
                             srb.SRB_BufLen);
      lock.lock();
      if (!ok) outcome = {SS_ERR, HASTAT_OK, STATUS_CHKCOND};
    }
    delivering_ = false;
    running_ = nullptr;
    if (!runningAborted_) {
      if (ran && !bounce.empty()) std::memcpy(buffer, bounce.data(), bounce.size());
      r->srb.SRB_HaStat = outcome.haStat;
      r->srb.SRB_TargStat = outcome.targStat;
      r->srb.SRB_Status = outcome.status;
      ++counters_.completed;
      if (postEvent) signal(r);
    }
    idle_.notify_all();
    work_.notify_all();
  }

  static void signal(ExecRequest* r) {
    void* const event = postProcOf(*r);
    if ((r->srb.SRB_Flags & SRB_EVENT_NOTIFY) != 0 && event != nullptr) {
      ManualResetEvent::setByHandle(event);
    }
  }

  std::mutex mu_;
  std::condition_variable work_;  // queue, stall or delivery changed
  std::condition_variable idle_;  // a delivery finished
  std::deque<ExecRequest*> queue_;
  std::atomic<std::size_t> queued_{0};  // queue_.size(), readable without the mutex
  AdaptiveSpin spin_;                   // the worker's wait for the next request
  ExecRequest* running_ = nullptr;
  bool runningAborted_ = false;
  bool delivering_ = false;
  bool workerStarted_ = false;
  Aspi32Backend backend_ = nullptr;
  void* context_ = nullptr;
  std::uint8_t adapterCount_ = 0;
  bool stall_ = false;
  std::uint8_t immediate_ = 0;
  Aspi32Counters counters_;
};

Layer& layer() {
  static Layer* const instance = new Layer;
  return *instance;
}

}  // namespace

extern "C" {

ASPI32_EXPORT std::uint32_t GetASPI32SupportInfo() { return layer().supportInfo(); }

ASPI32_EXPORT std::uint32_t SendASPI32Command(void* srb) {
  if (srb == nullptr) return SS_INVALID_SRB;
  switch (*static_cast<const std::uint8_t*>(srb)) {
    case SC_EXEC_SCSI_CMD:
      return layer().execute(static_cast<ExecRequest*>(srb));
    case SC_ABORT_SRB:
      return layer().abort(static_cast<AbortRequest*>(srb));
    default:
      static_cast<std::uint8_t*>(srb)[1] = SS_INVALID_CMD;
      return SS_INVALID_CMD;
  }
}

ASPI32_EXPORT void aspi32AttachBackend(Aspi32Backend backend, void* context,
                                       std::uint8_t adapterCount) {
  layer().attach(backend, context, adapterCount);
}

ASPI32_EXPORT void aspi32SetStall(int on) { layer().setStall(on != 0); }

ASPI32_EXPORT void aspi32SetImmediateStatus(std::uint8_t status) { layer().setImmediate(status); }

ASPI32_EXPORT void aspi32GetCounters(Aspi32Counters* out) {
  if (out != nullptr) *out = layer().counters();
}

}  // extern "C"

}  // namespace raidmon::aspi
