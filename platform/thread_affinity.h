// For objects that belong to one thread (the GUI thread's monitor, rebuild control and
// flash update): debug builds stop the program at the first call from another thread,
// naming the object, instead of letting it race on state nobody guards.
#pragma once

#include <thread>

namespace raidmon {

class ThreadAffinity {
 public:
  // Bound to the thread that creates the owner.
  ThreadAffinity() = default;

  bool onOwnerThread() const { return std::this_thread::get_id() == owner_; }

  // Debug builds abort, naming `owner`, when called off the owner's thread; release
  // builds check nothing.
  void check([[maybe_unused]] const char* owner) const {
#ifndef NDEBUG
    if (!onOwnerThread()) wrongThread(owner);
#endif
  }

 private:
  [[noreturn]] static void wrongThread(const char* owner);

  std::thread::id owner_ = std::this_thread::get_id();
};

}  // namespace raidmon
