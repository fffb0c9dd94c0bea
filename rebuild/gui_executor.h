// Hands work from the rebuild worker to the GUI thread. The Qt side posts to the
// event loop; tests run a queue they pump themselves.
#pragma once

#include <functional>

namespace raidmon {

class GuiExecutor {
 public:
  virtual ~GuiExecutor() = default;
  // Queues `task` to run on the GUI thread; callable from any thread, never blocks.
  virtual void post(std::function<void()> task) = 0;
};

}  // namespace raidmon
