// One poll cycle against the in-process emulated controller through the direct port
// link: with nothing changed, and with every position of cards 1 and 2 changing.
#include <benchmark/benchmark.h>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "monitor/monitor.h"

namespace {

using namespace raidmon;

struct Rig {
  Rig()
      : controller(emu::parseScenario(emu::defaultScenarioText()).value()),
        storage(controller),
        link(storage),
        // Settings go nowhere: the benchmark measures the cycle, not the disk.
        monitor(link, packet, kOsFamilyNt, "/proc/self/raidmon-bench/") {
    monitor.start();
    monitor.startMonitoring();
    monitor.pollOnce();
  }
  emu::Controller controller;
  emu::EmulatedNtStorage storage;
  DirectPortLink link;
  SharedPacket packet;
  Monitor monitor;
};

void BM_PollCycleNoChange(benchmark::State& state) {
  Rig rig;
  for (auto _ : state) rig.monitor.pollOnce();
}
BENCHMARK(BM_PollCycleNoChange);

void BM_PollCycleFullChange(benchmark::State& state) {
  Rig rig;
  bool active = false;
  for (auto _ : state) {
    state.PauseTiming();
    active = !active;
    for (int card = 1; card <= 2; ++card) {
      for (int pos = 1; pos <= 4; ++pos) {
        emu::Event e;
        e.kind = emu::EventKind::SetActive;
        e.card = card;
        e.position = pos;
        e.value = active ? 1 : 0;
        rig.controller.applyEvent(e);
      }
    }
    state.ResumeTiming();
    rig.monitor.pollOnce();
  }
}
BENCHMARK(BM_PollCycleFullChange);

void BM_ConfigurationParse(benchmark::State& state) {
  Rig rig;
  ControlPacket packet;
  emu::Controller& c = rig.controller;
  const auto block = c.configBlock();
  std::copy(block.begin(), block.end(), packet.data());
  DriveModel model;
  std::uint8_t cards = 0;
  for (auto _ : state) {
    model.parseConfiguration(packet, {true}, cards);
    benchmark::DoNotOptimize(model);
  }
}
BENCHMARK(BM_ConfigurationParse);

}  // namespace

BENCHMARK_MAIN();
