// A short, bounded spin before a blocking wait: when the other side answers within a
// few microseconds (a hand-off between two threads on an idle machine), the waiter sees
// it without being put to sleep and woken again, which costs tens of microseconds on a
// virtual machine. Header-only, so the bridge library and the ASPI layer share it.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace raidmon {

// How long a hand-off spins before it blocks.
inline constexpr std::chrono::microseconds kHandOffSpin{50};

inline void cpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

// Polls `done` until it holds or `limit` has passed; true when it holds.
template <class Done>
bool spinUntil(Done done, std::chrono::microseconds limit = kHandOffSpin) {
  if (done()) return true;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (unsigned i = 1;; ++i) {
    cpuRelax();
    if (done()) return true;
    if ((i & 31) == 0 && std::chrono::steady_clock::now() >= deadline) return false;
  }
}

// A spin that learns: each spin that ends without the other side answering halves the
// next one's limit (down to nothing), each spin that is answered doubles it (up to
// kHandOffSpin). On a busy machine, where the other thread does not get the processor
// in time, waiters soon block at once as they would without spinning; on an idle one
// they keep meeting the answer without a sleep. Any thread; the limit is a hint.
class AdaptiveSpin {
 public:
  template <class Done>
  bool operator()(Done done) {
    const int limit = limitUs_.load(std::memory_order_relaxed);
    if (limit <= 0) {
      // Blocked waits from now on, except for a probe now and then.
      if (++skipped_ % 64 != 0) return done();
      limitUs_.store(kMinUs, std::memory_order_relaxed);
      return (*this)(done);
    }
    const bool met = spinUntil(done, std::chrono::microseconds(limit));
    const int next = met ? std::min<int>(limit * 2, static_cast<int>(kHandOffSpin.count()))
                         : (limit / 2 < kMinUs ? 0 : limit / 2);
    limitUs_.store(next, std::memory_order_relaxed);
    return met;
  }

 private:
  static constexpr int kMinUs = 4;
  std::atomic<int> limitUs_{static_cast<int>(kHandOffSpin.count())};
  std::atomic<unsigned> skipped_{0};
};

}  // namespace raidmon
