// Test support for the rebuild: the emulated controller behind either link, the core
// and its recording views, and an executor whose queue the test thread pumps as the
// GUI thread would.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "rebuild/rebuild_control.h"
#include "support/emulated_link.h"
#include "support/recording_views.h"

namespace raidmon::test {

class QueueExecutor final : public GuiExecutor {
 public:
  void post(std::function<void()> task) override {
    {
      std::lock_guard lock(mu_);
      tasks_.push_back(std::move(task));
      ++posted_;
    }
    cv_.notify_all();
  }
  // Runs queued tasks on the calling thread until `done` holds (or two minutes pass).
  bool pumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::function<void()> task;
      {
        // Short waits: the condition may come true on another thread with nothing
        // queued (the worker marking itself finished after its last report).
        std::unique_lock lock(mu_);
        if (!cv_.wait_for(lock, std::chrono::milliseconds(5), [&] { return !tasks_.empty(); })) continue;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
    return true;
  }
  // Runs whatever is queued now, without waiting for more.
  void drain() {
    for (;;) {
      std::function<void()> task;
      {
        std::lock_guard lock(mu_);
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }
  std::size_t posted() const {
    std::lock_guard lock(mu_);
    return posted_;
  }

 private:
  mutable std::mutex mu_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> tasks_;
  std::size_t posted_ = 0;
};

// The page as the operator would read it.
struct RecordingPage final : RebuildPageView {
  std::string source, target, prompt, caption, status;
  bool promptVisible = false, startVisible = false, startEnabled = true;
  int progress = 0;
  std::vector<std::string> statusTexts;
  std::array<int, 4> tops{};
  void setSourceText(std::string_view t) override { source = t; }
  void setTargetText(std::string_view t) override { target = t; }
  void setPrompt(std::string_view t) override { prompt = t; }
  void setPromptVisible(bool v) override { promptVisible = v; }
  void setTops(int a, int b, int c, int d) override { tops = {a, b, c, d}; }
  void setStartVisible(bool v) override { startVisible = v; }
  void setStartEnabled(bool e) override { startEnabled = e; }
  void setStartCaption(std::string_view c) override { caption = c; }
  void setProgress(int v) override { progress = v; }
  void setStatusText(std::string_view t) override {
    status = t;
    if (!status.empty()) statusTexts.push_back(status);
  }
  std::string rate;
  std::vector<std::string> rateTexts;
  void setRateText(std::string_view t) override {
    rate = t;
    if (!rate.empty()) rateTexts.push_back(rate);
  }
};


inline std::string mirrorScenario(std::uint32_t size, const std::string& extra = "") {
  std::string s =
      "port 1 driver \\Device\\tavrixRX0\naspi 1 0\nflash maker 0x40\n"
      "drive 1.1 model \"SRC DISK\" serial \"S1\" sectors 2000000\n"
      "drive 1.2 model \"TGT DISK\" serial \"S2\" sectors 2000000\n"
      "drive 1.3 model \"JBOD A\" sectors 1000\ndrive 1.4 model \"JBOD B\" sectors 1000\n";
  for (int i = 1; i <= 4; ++i) {
    s += "drive 2." + std::to_string(i) + " model \"STRIPE " + std::to_string(i) + "\" sectors 5000\n";
  }
  s += "array 4 0 1.1 1.2\narray 7 1 1.3 1.4\narray 5 2 2.1 2.2 2.3 2.4\n";
  s += "capacity " + std::to_string(size) + " 4000\n" + extra;
  return s;
}

class RebuildRig {
 public:
  RebuildRig(LinkKind kind, const std::string& scenarioText,
             std::chrono::milliseconds replyTimeout = std::chrono::seconds(10))
      : emulated(kind, scenarioText, replyTimeout), controller(emulated.controller), link(emulated.link) {
    const std::uint8_t family = emulated.family;
    monitor = std::make_unique<Monitor>(*link, packet, family, "/proc/self/raidmon-test/");
    control = std::make_unique<RebuildControl>(*monitor, executor);
    MonitorViews v = views.all();
    v.rebuild = control.get();
    monitor->setViews(v);
    control->setPage(page);
    monitor->start();
    monitor->startMonitoring();
    monitor->pollOnce();
    control->preparePage();
  }
  ~RebuildRig() {
    control.reset();  // joins a worker that is still running
    emulated.detach();
  }

  // Chooses member slot `slot` of array `array` on the rebuild page.
  void select(int array, int slot) {
    const ArrayRecord& rec = monitor->model().array(array);
    control->selectSource(rec.arrayNodeIndex + 1 + slot, rec.arrayNodeIndex,
                                 rec.memberIdentity[static_cast<std::size_t>(slot)].model(), array);
  }
  // Pumps the GUI queue until the worker has ended with `state`, then drains it.
  bool waitForState(RebuildState state) {
    const bool ok = executor.pumpUntil([&] {
      return monitor->state().RebuildState == state && !(control->worker() && control->worker()->running());
    });
    if (control->worker()) control->worker()->join();
    executor.drain();
    return ok;
  }
  RecordingViews views;
  RecordingPage page;
  QueueExecutor executor;
  SharedPacket packet;
  EmulatedLink emulated;
  std::unique_ptr<emu::Controller>& controller;
  std::unique_ptr<ControllerLink>& link;
  std::unique_ptr<Monitor> monitor;
  std::unique_ptr<RebuildControl> control;
};

}  // namespace raidmon::test
