// Round trips through the bridge library and the ASPI stand-in (its worker thread and
// completion event) to the in-process emulated controller, against the direct port.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>
#include <cstdlib>
#include <memory>

#include "aspilink/aspilink.h"
#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/bridge_link.h"
#include "link/direct_port_link.h"
#include "monitor/monitor.h"
#include "platform/aspi_standin.h"
#include "platform/program_dir.h"

namespace {

using namespace raidmon;

// Settings go nowhere: the benchmark measures the links, not the disk.
constexpr const char* kNoSettings = "/proc/self/raidmon-bench/";

struct Rig {
  explicit Rig(std::uint8_t family)
      : controller(emu::parseScenario(emu::defaultScenarioText()).value()), storage(controller) {
    if (family == kOsFamily9x) {
      auto opened = AspiStandIn::open(programDirectory());
      if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error().c_str());
        std::exit(1);
      }
      aspiLayer = std::move(opened).value();
      aspiLayer->attachDevice(controller);
      link = std::make_unique<BridgeLink>(
          BridgeExports{&TavrixIoControl, &TavrixReadWrite, &TavrixFlashReadWrite});
    } else {
      link = std::make_unique<DirectPortLink>(storage);
    }
    monitor = std::make_unique<Monitor>(*link, packet, family, kNoSettings);
    monitor->start();
    monitor->startMonitoring();
    monitor->pollOnce();
  }
  ~Rig() {
    monitor.reset();
    if (aspiLayer) aspiLayer->detach();
  }

  emu::Controller controller;
  emu::EmulatedNtStorage storage;
  std::unique_ptr<AspiStandIn> aspiLayer;
  std::unique_ptr<ControllerLink> link;
  SharedPacket packet;
  std::unique_ptr<Monitor> monitor;
};

std::uint8_t familyOf(const benchmark::State& state) {
  return state.range(0) == 9 ? kOsFamily9x : kOsFamilyNt;
}
void familyLabel(benchmark::State& state) {
  state.SetLabel(familyOf(state) == kOsFamily9x ? "9x bridge" : "nt direct");
}

// One status read: 2076 bytes out and back.
void BM_StatusRead(benchmark::State& state) {
  Rig rig(familyOf(state));
  ControlPacket& p = rig.packet.unlocked();
  for (auto _ : state) benchmark::DoNotOptimize(rig.link->readStatus(p));
  state.SetItemsProcessed(state.iterations());
  familyLabel(state);
}
BENCHMARK(BM_StatusRead)->Arg(9)->Arg(2)->UseRealTime();

// One 128-sector rebuild chunk (48 bytes on the bridge, 2076 on the direct port).
void BM_TransferChunk(benchmark::State& state) {
  Rig rig(familyOf(state));
  ControlPacket& p = rig.packet.unlocked();
  std::uint32_t lba = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rig.link->transfer(p, {0, 0, 0, 1, lba, 128}));
    lba = (lba + 128) % (1u << 24);
  }
  state.SetItemsProcessed(state.iterations());
  familyLabel(state);
}
BENCHMARK(BM_TransferChunk)->Arg(9)->Arg(2)->UseRealTime();

// The spread of single transfer round trips: each one timed on its own, then the
// median and the 99th percentile (an average hides the slow wake-ups that matter).
void BM_TransferChunkLatency(benchmark::State& state) {
  Rig rig(familyOf(state));
  ControlPacket& p = rig.packet.unlocked();
  std::vector<double> micros;
  micros.reserve(1 << 20);
  std::uint32_t lba = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(rig.link->transfer(p, {0, 0, 0, 1, lba, 128}));
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    lba = (lba + 128) % (1u << 24);
  }
  std::sort(micros.begin(), micros.end());
  const auto at = [&](double q) { return micros[static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1))]; };
  state.counters["p50_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = micros.back();
  familyLabel(state);
}
BENCHMARK(BM_TransferChunkLatency)->Arg(9)->Arg(2)->UseRealTime()->Iterations(200000);

// A whole poll cycle with nothing changed (plug check, status read and compare).
void BM_PollCycle(benchmark::State& state) {
  Rig rig(familyOf(state));
  const auto reads = rig.controller.requestCount(CTL_READ_STATUS);
  for (auto _ : state) rig.monitor->pollOnce();
  state.counters["reads"] = static_cast<double>(rig.controller.requestCount(CTL_READ_STATUS) - reads) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations());
  familyLabel(state);
}
BENCHMARK(BM_PollCycle)->Arg(9)->Arg(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
