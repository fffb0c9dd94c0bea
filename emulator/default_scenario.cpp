#include "emulator/scenario_parser.h"

namespace raidmon::emu {

namespace {

// Kept identical to emulator/scenarios/default.scn (a test compares them).
constexpr std::string_view kDefaultScenario = R"SCN(# Default scenario of the controller emulator (see docs/emulator.md).
# Two cards. Card 1: a RAID1 pair on the primary channel and a single drive on the
# secondary master. Card 2: a RAID 0+1 set of four drives on all four positions.

# SCSI ports: port 0 is an IDE port of another driver, ports 1 and 2 belong to ours.
port 0 foreign \Device\Ide\IdePort0
port 1 driver \Device\tavrixRX0
port 2 driver \Device\tavrixRX1

# Where the controller answers on the ASPI path.
aspi 1 0

controller 0x00010004 0x0133 0 0 0 0
flash maker 0x40 device 0x01

# 80 GB drives: 156301488 sectors, UDMA 0..5 (0x3F) or 0..6 (0x7F).
drive 1.1 model "HALDEN HD080HJ/P" serial "S0B2J10LA41877" sectors 156301488 cylinders 16383 heads 16 spt 63 udma 0x3F
drive 1.2 model "HALDEN HD080HJ/P" serial "S0B2J10LA41923" sectors 156301488 cylinders 16383 heads 16 spt 63 udma 0x3F
drive 1.3 model "Orvik OV080-UA133 DiskStar 80" serial "OV4C0912R77T" sectors 160086528 cylinders 16383 heads 16 spt 63 udma 0x7F
drive 2.1 model "NorthPeak NP8000A8" serial "NP80A8-330129" sectors 156301488 cylinders 16383 heads 16 spt 63 udma 0x3F
drive 2.2 model "NorthPeak NP8000A8" serial "NP80A8-330377" sectors 156301488 cylinders 16383 heads 16 spt 63 udma 0x3F
drive 2.3 model "NorthPeak NP8000A8" serial "NP80A8-331802" sectors 156301488 cylinders 16383 heads 16 spt 63 udma 0x3F
drive 2.4 model "NorthPeak NP8000A8" serial "NP80A8-331954" sectors 156301488 cylinders 16383 heads 16 spt 63 udma 0x3F

# kind id members (member index = order given)
array 4 0 1.1 1.2
array 1 1 1.3
array 5 2 2.1 2.2 2.3 2.4

# Capacity of the mirrored arrays in sectors, in order: the RAID1 pair, then the
# RAID 0+1 set (per mirrored half).
capacity 156301488 156301488
)SCN";

}  // namespace

std::string_view defaultScenarioText() { return kDefaultScenario; }

}  // namespace raidmon::emu
