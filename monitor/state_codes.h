// The codes with meanings that the monitor, the rebuild control and the rebuild worker
// share: the rebuild state, a position's display state, a drive event, a channel's
// hot-plug mark, a tree node's image.
#pragma once

#include <atomic>
#include <cstdint>

namespace raidmon {

// The rebuild's progress (the run state's RebuildState, written by the GUI thread and
// the rebuild worker). The values are the system's own.
enum class RebuildState : std::uint8_t {
  Idle = 0,
  Running = 1,
  Completed = 2,
  Cancelled = 3,
  Failed = 4,
};

// The rebuild state as the GUI thread and the rebuild worker share it. The worker only
// ever moves it away from Running, so a cancel or a report that came first stands.
class SharedRebuildState {
 public:
  RebuildState get() const { return value_.load(); }
  operator RebuildState() const { return get(); }  // NOLINT: reads as the state itself
  void set(RebuildState state) { value_.store(state); }
  // Moves the state from Running to `to`; false when it was no longer running.
  bool leaveRunning(RebuildState to) {
    RebuildState running = RebuildState::Running;
    return value_.compare_exchange_strong(running, to);
  }

 private:
  std::atomic<RebuildState> value_{RebuildState::Idle};
};

// What the rebuild worker may do with the shared rebuild state: read it, and move it
// away from Running. Setting it is the GUI thread's alone.
class WorkerRebuildState {
 public:
  explicit WorkerRebuildState(SharedRebuildState& state) : state_(&state) {}
  RebuildState get() const { return state_->get(); }
  bool leaveRunning(RebuildState to) { return state_->leaveRunning(to); }

 private:
  SharedRebuildState* state_;
};

// What a position's indicator shows; None leaves it as it is.
enum class DisplayState : std::uint8_t {
  None = 0,
  Present = 1,        // present and idle: s_Top_Green.gif
  Active = 2,         // active: s_Green.gif
  Attention = 3,      // pulled, or the target of a rebuild: s_Orange.gif
  ActiveRebuild = 4,  // active with its rebuild flag set: s_Active_Orange.gif
};

// A drive event: the notice and the event grid's row; None raises nothing.
enum class DriveEvent : std::uint8_t {
  None = 0,
  Connected = 1,
  Disconnected = 2,
  PlugError = 3,  // plug state 0x51 during a scan: "51 ERROR "
};

// What the hot-plug watch last saw on a channel (the run state's HotPlugMarker), so
// that each change raises its event once. The values are the system's own.
enum class HotPlugMark : std::uint8_t {
  None = 0,
  Back = 0x50,     // the pulled drive is back (plug state 5, listed by both tables)
  Pulled = 0x60,   // a drive was pulled (plug state 5, not listed by both)
  State10 = 0xA0,  // a single drive went to plug state 10
  State11 = 0xB0,  // a single drive went to plug state 11
};

// A node image of the Monitor dialog's array tree: an index into ImageList1
// (imagelist/ImageList1_N.png), or None for no image.
enum class NodeImage : std::int8_t {
  None = -1,
  Array = 0,            // an array node (a disk)
  MemberPresent = 1,    // a member that is there (dark green lamp)
  MemberAttention = 2,  // a member pulled, or the target of a rebuild (orange lamp)
  GreenLamp = 3,
  RedLamp = 4,
  Disc = 5,             // an ATAPI node
};

}  // namespace raidmon
