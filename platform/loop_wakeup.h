// How a single-threaded event loop sleeps and is woken: any thread (a worker posting
// a task) wakes it, and so does a request from outside to end the program (SIGTERM
// and SIGINT; on Windows Ctrl+C, Ctrl+Break and the console closing).
#pragma once

namespace raidmon {

class LoopWakeup {
 public:
  LoopWakeup();
  ~LoopWakeup();
  LoopWakeup(const LoopWakeup&) = delete;
  LoopWakeup& operator=(const LoopWakeup&) = delete;

  // Wakes the thread in wait(), or makes its next wait() return at once. Any thread;
  // never blocks.
  void wake();
  // Sleeps until woken or `timeoutMs` milliseconds have passed (-1: no time limit).
  void wait(int timeoutMs);

  // From now on a request to end the program wakes this object and is remembered
  // instead of ending the process. One object at a time catches them; its
  // destructor restores the default.
  void catchTermination();
  // Whether such a request came since catchTermination().
  bool terminationRequested() const;

 private:
  struct Os;
  Os* os_;
};

// A reader of the program's output that goes away (a closed pipe) makes writes fail
// instead of ending the program.
void keepRunningWhenOutputCloses();

}  // namespace raidmon
