// The rebuild chunk loop: 128-sector transfers per second from the worker thread to
// the in-memory emulated controller through each link, with the GUI side attached (a
// thread that drains the coalesced progress updates as the event loop would).
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "aspilink/aspilink.h"
#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/bridge_link.h"
#include "link/direct_port_link.h"
#include "platform/aspi_standin.h"
#include "platform/program_dir.h"
#include "rebuild/rebuild_worker.h"

namespace {

using namespace raidmon;

// The GUI thread: runs what the worker posts, in order.
class DrainingExecutor final : public GuiExecutor {
 public:
  DrainingExecutor() : thread_([this] { run(); }) {}
  ~DrainingExecutor() override {
    {
      std::lock_guard lock(mu_);
      done_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  void post(std::function<void()> task) override {
    {
      std::lock_guard lock(mu_);
      tasks_.push_back(std::move(task));
    }
    cv_.notify_one();
  }
  std::atomic<int> ran{0};

 private:
  void run() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock lock(mu_);
        cv_.wait(lock, [this] { return done_ || !tasks_.empty(); });
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
      ++ran;
    }
  }
  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> tasks_;
  bool done_ = false;
  std::thread thread_;
};

struct Host final : RebuildWorkerHost {
  std::atomic<int> progress{0};
  std::atomic<bool> done{false};
  void rebuildProgress(const std::string& text, int) override {
    benchmark::DoNotOptimize(text.size());
    ++progress;
  }
  void rebuildTransferFailed() override {}
  void rebuildCompleted(std::uint8_t, std::uint8_t) override { done = true; }
  void rebuildCancelled() override { done = true; }
  void rebuildEndFailed() override { done = true; }
};

void BM_RebuildChunks(benchmark::State& state) {
  const bool bridge = state.range(0) == 1;
  const std::uint32_t sectors = static_cast<std::uint32_t>(state.range(1));
  const std::string text = "port 1 driver \\Device\\tavrixRX0\naspi 1 0\n"
                           "drive 1.1 model \"S\" sectors 2000000\ndrive 1.2 model \"T\" sectors 2000000\n"
                           "array 4 0 1.1 1.2\ncapacity 2000000\n";
  emu::Controller controller(emu::parseScenario(text).value());
  emu::EmulatedNtStorage storage(controller);
  std::unique_ptr<AspiStandIn> aspiLayer;
  std::unique_ptr<ControllerLink> link;
  SharedPacket packet;
  if (bridge) {
    auto opened = AspiStandIn::open(programDirectory());
    if (!opened) {
      state.SkipWithError(opened.error().c_str());
      return;
    }
    aspiLayer = std::move(opened).value();
    aspiLayer->attachDevice(controller);
    link = std::make_unique<BridgeLink>(BridgeExports{&TavrixIoControl, &TavrixReadWrite, &TavrixFlashReadWrite});
    link->locate(packet.unlocked());
  } else {
    auto direct = std::make_unique<DirectPortLink>(storage);
    direct->locate(packet.unlocked());
    link = std::move(direct);
  }
  std::int64_t chunks = 0;
  int progressShown = 0;
  for (auto _ : state) {
    DrainingExecutor gui;
    Host host;
    SharedRebuildState rebuildState;
    rebuildState.set(RebuildState::Running);
    RebuildWorker worker(*link, packet, WorkerRebuildState(rebuildState), gui, host, RebuildRequest{DrivePosition{1, 1}, DrivePosition{1, 2}, sectors});
    worker.join();
    chunks += (sectors + 127) / 128;
    while (!host.done) std::this_thread::yield();
    progressShown += host.progress;
  }
  if (aspiLayer) aspiLayer->detach();
  state.counters["chunks/s"] = benchmark::Counter(static_cast<double>(chunks), benchmark::Counter::kIsRate);
  state.counters["us/chunk"] = benchmark::Counter(static_cast<double>(chunks),
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["updates shown"] = static_cast<double>(progressShown) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RebuildChunks)->Args({0, 1 << 20})->Args({1, 1 << 18})->ArgNames({"bridge", "sectors"})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
