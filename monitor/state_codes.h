// The codes with meanings that the monitor, the rebuild control and the rebuild worker
// share: the rebuild state, a position's display state and a drive event.
#pragma once

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

}  // namespace raidmon
