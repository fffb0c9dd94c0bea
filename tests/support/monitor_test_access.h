// Lets a test put the monitor into a state that the controller or a long sequence of
// cycles would otherwise have to cause (markers, scan counters, table flags).
#pragma once

#include "monitor/monitor.h"

namespace raidmon {

struct MonitorTestAccess {
  static RunState& state(Monitor& m) { return m.state_; }
  static DisplayTables& tables(Monitor& m) { return m.tables_; }
  static StatusBlock& snapshot(Monitor& m) { return m.snapshot_; }
};

}  // namespace raidmon
