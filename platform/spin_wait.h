// A short, bounded spin before a blocking wait: when the other side answers within a
// few microseconds (a hand-off between two threads on an idle machine), the waiter sees
// it without being put to sleep and woken again, which costs tens of microseconds on a
// virtual machine. Header-only, so the bridge library and the ASPI layer share it.
#pragma once

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

}  // namespace raidmon
