// The rebuild's fault matrix: the manual and the automatic rebuild, the cancel and the
// hidden "Rebuild Complete" command against every fault the controller can show (a
// request that does not go through, one answered "not done" or refused, one held past
// its time-out, a server that goes away or stops answering), at the first, a middle
// and the last chunk, on both links, in process and (where the build has it) across
// the socket server. Each row pins what the operator is told, that no success text
// follows a fault, the final RebuildState and poll timer, and the data: the target
// equals the source over exactly the chunks the worker counted done.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "emulator/block_layout.h"
#include "rebuild/rebuild_progress.h"
#include "faults/matrix_links.h"
#include "rebuild/rebuild_fixture.h"

namespace raidmon {
namespace {

using namespace std::chrono_literals;
using test::LinkKind;
using test::RebuildRig;
using test::mirrorScenario;

constexpr std::uint32_t kSize = 10000;   // 79 chunks: 78 of 128 sectors, then 16
constexpr std::uint32_t kMiddle = 4096;  // the first sector of chunk 32
constexpr std::uint32_t kLast = 9984;    // the last, partial chunk

enum class Op { Manual, Automatic, Cancel, RebuildComplete };
enum class Outcome {
  Complete,    // "Rebuild Process Complete!", the whole range copied, CTL_REBUILD_END done
  Fail,        // "Rebuild Process Fail!" with no operator action, nothing after the fault
  Cancel,      // "Rebuild Process Cancel!"
  Refused,     // "Reset Failed!!!" / "Reset Failed!": no transfer
  NotStarted,  // no CTL_REBUILD_BEGIN, no worker, a trace note says why
  EndSent,     // the hidden command sent CTL_REBUILD_END and the controller did it
  EndNotDone,  // it sent CTL_REBUILD_END and the controller did not do it
  NothingSent, // it sent nothing
};
enum class Midway { None, ServerGone, ServerStalled, StatusReadFails, WorkerStalled };

struct Row {
  std::string name;
  Op op;
  std::string faults;  // emulator lines, in the scenario from the start
  Outcome outcome;
  bool dmaBox = false;       // "TAVRIX DMA Failed!" shown once
  bool endSent = false;      // CTL_REBUILD_END went out (and was not done)
  std::optional<std::uint32_t> failAt{};  // the failing chunk's first sector
  Midway midway = Midway::None;          // what happens once 20 chunks went through
  bool socketOnly = false;
  bool declineConfirmation = false;
};

std::string transferFault(const std::string& mode, std::uint32_t at, int count = 5) {
  return "fail 0x80018004 " + std::to_string(count) + " at " + std::to_string(at) + " mode " + mode +
         (mode == "stall" ? " ms 20" : "") + "\n";
}

std::vector<Row> rows() {
  std::vector<Row> r;
  r.push_back({"ManualNoFault", Op::Manual, "", Outcome::Complete});
  const std::pair<const char*, std::uint32_t> places[] = {{"First", 0}, {"Middle", kMiddle}, {"Last", kLast}};
  for (const char* mode : {"false", "zero", "stall"}) {
    for (const auto& [where, at] : places) {
      r.push_back({std::string("ManualTransfer_") + mode + "_" + where, Op::Manual, transferFault(mode, at),
                   Outcome::Fail, true, false, at});
    }
  }
  r.push_back({"ManualPulledTarget", Op::Manual, "pull 1.2\n", Outcome::Fail, true, false, 0u});
  r.push_back({"ManualFourFailuresThenDone", Op::Manual, transferFault("zero", kMiddle, 4), Outcome::Complete});
  r.push_back({"ManualBeginNotSent", Op::Manual, "fail 0x80018010 1\n", Outcome::Refused});
  r.push_back({"ManualBeginRefused", Op::Manual, "fail 0x80018010 1 mode zero\n", Outcome::Refused});
  r.push_back({"ManualBeginStalled", Op::Manual, "fail 0x80018010 1 mode stall ms 50\n", Outcome::Refused});
  r.push_back({"ManualEndNotSent", Op::Manual, "fail 0x80018080 1\n", Outcome::Fail, false, true});
  r.push_back({"ManualEndNotDone", Op::Manual, "fail 0x80018080 1 mode zero\n", Outcome::Fail, false, true});
  r.push_back({"ManualServerGone", Op::Manual, "transfer-time 2000\n", Outcome::Fail, true, false, {},
               Midway::ServerGone, true});
  r.push_back({"ManualServerStalled", Op::Manual, "transfer-time 2000\n", Outcome::Fail, true, false, {},
               Midway::ServerStalled, true});

  r.push_back({"AutoNoFault", Op::Automatic, "", Outcome::Complete});
  r.push_back({"AutoTransfer_zero_Middle", Op::Automatic, transferFault("zero", kMiddle), Outcome::Fail, true,
               false, kMiddle});
  r.push_back({"AutoTransfer_false_Last", Op::Automatic, transferFault("false", kLast), Outcome::Fail, true,
               false, kLast});
  r.push_back({"AutoBeginRefused", Op::Automatic, "fail 0x80018010 1 mode zero\n", Outcome::Refused});
  r.push_back({"AutoEndNotDone", Op::Automatic, "fail 0x80018080 1 mode zero\n", Outcome::Fail, false, true});
  // A drive in no array is flagged as the target: there is nothing to pair it with.
  r.push_back({"AutoTargetNotConfigured", Op::Automatic, "drive 3.1 model \"LOOSE\" sectors 10000\n",
               Outcome::NotStarted});

  r.push_back({"CancelNoFault", Op::Cancel, "transfer-time 2000\n", Outcome::Cancel});
  r.push_back({"CancelStatusReadFails", Op::Cancel, "transfer-time 2000\n", Outcome::Cancel, false, false, {},
               Midway::StatusReadFails});
  r.push_back({"CancelWorkerStalled", Op::Cancel, "transfer-time 2000\nfail 0x80018004 1 at 2560 mode stall ms 3000\n",
               Outcome::Cancel, false, false, {}, Midway::WorkerStalled});
  r.push_back({"CancelServerStalled", Op::Cancel, "transfer-time 2000\n", Outcome::Cancel, false, false, {},
               Midway::ServerStalled, true});
  r.push_back({"CancelDeclined", Op::Cancel, "", Outcome::Complete, false, false, {}, Midway::None, false, true});

  r.push_back({"RebuildCompleteNothingFlagged", Op::RebuildComplete, "", Outcome::NothingSent});
  r.push_back({"RebuildCompleteDeclined", Op::RebuildComplete, "rebuild 1.2 from 1.1\n", Outcome::NothingSent,
               false, false, {}, Midway::None, false, true});
  r.push_back({"RebuildCompleteConfirmed", Op::RebuildComplete, "rebuild 1.2 from 1.1\n", Outcome::EndSent});
  r.push_back({"RebuildCompleteNotSent", Op::RebuildComplete, "rebuild 1.2 from 1.1\nfail 0x80018080 1\n",
               Outcome::EndNotDone});
  r.push_back({"RebuildCompleteNotDone", Op::RebuildComplete, "rebuild 1.2 from 1.1\nfail 0x80018080 1 mode zero\n",
               Outcome::EndNotDone});
  return r;
}

using Param = test::MatrixParam<Row>;

int count(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

bool contains(const std::vector<std::string>& lines, const std::string& part) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

class RebuildFaultMatrix : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    const Row& row = GetParam().row;
    // A stalled server is given up on after this long.
    const auto reply = row.midway == Midway::ServerStalled ? 1000ms : 10000ms;
    rig = std::make_unique<RebuildRig>(GetParam().link, mirrorScenario(kSize, row.faults), reply);
    rig->views.log.clear();
    rig->views.rows.clear();
    rig->views.traces.clear();
    rig->views.timerEnabled = true;  // monitoring runs
  }
  void TearDown() override {
    if (rig) rig->emulated.stallServer(false);
    rig.reset();
  }

  emu::Controller& controller() { return *rig->controller; }

  // Sets status bytes directly, as the controller does when it flags a pair.
  void flag(int targetEntry, int sourceEntry, int runTime) {
    emu::Event e;
    e.kind = emu::EventKind::StatusByte;
    e.value = static_cast<std::uint32_t>(emu::kStatusRebuildTarget + targetEntry);
    e.value2 = 1;
    controller().applyEvent(e);
    e.value = static_cast<std::uint32_t>(emu::kStatusRebuildSource + sourceEntry);
    controller().applyEvent(e);
    e.kind = emu::EventKind::RebuildTime;
    e.value = static_cast<std::uint32_t>(runTime);
    controller().applyEvent(e);
  }

  // The poll timer as the program runs it: a cycle whenever it is enabled.
  void runTimer(int cycles = 4) {
    for (int i = 0; i < cycles && rig->views.timerEnabled; ++i) {
      rig->monitor->pollOnce();
      rig->executor.drain();
    }
  }

  // Pumps the GUI queue until the worker has ended, then drains it.
  void waitForWorker() {
    ASSERT_TRUE(rig->executor.pumpUntil([&] { return !rig->control->worker() || !rig->control->worker()->running(); }));
    if (rig->control->worker()) rig->control->worker()->join();
    rig->executor.drain();
  }

  void waitForTransfers(std::uint64_t n) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (controller().requestCount(CTL_TRANSFER) < n && std::chrono::steady_clock::now() < deadline) {
      rig->executor.drain();
      std::this_thread::sleep_for(1ms);
    }
  }

  void midway(Midway m) {
    switch (m) {
      case Midway::ServerGone:
        waitForTransfers(20);
        rig->emulated.stopServer();
        break;
      case Midway::ServerStalled:
        waitForTransfers(20);
        ASSERT_TRUE(rig->emulated.stallServer(true));
        break;
      case Midway::StatusReadFails:
        controller().failRequests(CTL_READ_STATUS, 1, std::nullopt, emu::FaultMode::TransportFalse);
        break;
      case Midway::WorkerStalled:
        waitForTransfers(21);  // the 21st is held by the controller
        std::this_thread::sleep_for(50ms);
        break;
      case Midway::None:
        break;
    }
  }

  void run() {
    const Row& row = GetParam().row;
    switch (row.op) {
      case Op::Manual:
        rig->select(0, 0);
        rig->control->startRebuild();
        midway(row.midway);
        waitForWorker();
        break;
      case Op::Automatic:
        if (row.outcome == Outcome::NotStarted) {
          flag(entryIndex(3, 1), entryIndex(1, 1), 1);
        } else {
          flag(entryIndex(1, 2), entryIndex(1, 1), 0);
          runTimer(1);  // the target appears
          flag(entryIndex(1, 2), entryIndex(1, 1), 1);
        }
        runTimer(1);  // the rebuild starts: the automatic start ends the cycle
        waitForWorker();
        break;
      case Op::Cancel: {
        rig->select(0, 0);
        rig->control->startRebuild();
        if (row.declineConfirmation) {
          rig->views.confirmAnswers = {false};
          rig->control->startRebuild();  // the button reads CANCEL
          waitForWorker();
          break;
        }
        waitForTransfers(20);
        midway(row.midway);
        rig->control->setPacketWait(200ms);
        const auto before = std::chrono::steady_clock::now();
        rig->control->startRebuild();  // the button reads CANCEL
        cancelTook = std::chrono::steady_clock::now() - before;
        if (row.midway == Midway::ServerStalled) rig->emulated.stallServer(false);
        waitForWorker();
        break;
      }
      case Op::RebuildComplete:
        runTimer(1);  // the latest status shows what the controller flags
        if (row.declineConfirmation) rig->views.confirmAnswers = {false};
        rig->controller->clearRequestLog();
        rig->control->markRebuildComplete();
        break;
    }
    runTimer();
  }

  std::vector<std::string> notices() const {
    std::vector<std::string> n;
    for (const auto& l : rig->views.log) {
      if (l.rfind("notice |Rebuild", 0) == 0) n.push_back(l);
    }
    return n;
  }

  // What a run left behind.
  struct Observed {
    std::vector<std::string> shown;  // the rebuild notices
    RebuildState state;
    std::uint64_t transfers;
    std::uint64_t ends;  // CTL_REBUILD_END requests
    RebuildWorker* worker;
  };
  Observed observe() {
    return {notices(), rig->monitor->state().RebuildState, controller().requestCount(CTL_TRANSFER),
            controller().requestCount(CTL_REBUILD_END), rig->control->worker()};
  }

  // What the row's outcome tells the operator, sends and leaves on the disks.
  void expectOutcome(const Row& row, const Observed& seen) {
    const auto& log = rig->views.log;
    const auto& rows = rig->views.rows;
    switch (row.outcome) {
      case Outcome::Complete:
        EXPECT_EQ(seen.shown, std::vector<std::string>{"notice |Rebuild Process Complete!|"});
        EXPECT_EQ(count(rows, "Card1 S:PM Card1 T:PS|Rebuild End|"), 1);
        EXPECT_EQ(seen.ends, 1u);
        EXPECT_TRUE(controller().rangeEqual(1, 1, 1, 2, 0, kSize));
        break;
      case Outcome::Fail:
        expectFailure(row, seen);
        break;
      case Outcome::Cancel:
        EXPECT_EQ(seen.shown, std::vector<std::string>{"notice |Rebuild Process Cancel!|"});
        EXPECT_EQ(count(rows, "Card1 S:PM Card1 T:PS|Rebuild Cancel|"), 1);
        EXPECT_EQ(seen.ends, 0u);
        ASSERT_NE(seen.worker, nullptr);
        EXPECT_TRUE(controller().rangeEqual(1, 1, 1, 2, 0, static_cast<std::uint32_t>(seen.worker->currentLba())));
        // The cancel never waits for a worker held by the controller (3 s) longer than the
        // packet wait (200 ms), or for a silent server longer than the reply time-out (1 s).
        EXPECT_LT(cancelTook, 1500ms);
        break;
      case Outcome::Refused:
        EXPECT_EQ(count(log, row.op == Op::Manual ? "box Reset Failed!!!" : "box Reset Failed!"), 1);
        EXPECT_EQ(seen.worker, nullptr);
        EXPECT_EQ(seen.transfers, 0u);
        EXPECT_TRUE(seen.shown.empty() || seen.shown == std::vector<std::string>{"notice |Rebuild Process Cancel!|"});
        break;
      case Outcome::NotStarted:
        EXPECT_EQ(controller().requestCount(CTL_REBUILD_BEGIN), 0u);
        EXPECT_EQ(seen.worker, nullptr);
        EXPECT_TRUE(contains(rig->views.traces, "Auto rebuild not started"));
        EXPECT_FALSE(rig->monitor->state().AutoRebuildOff);  // armed for the next flag
        EXPECT_TRUE(seen.shown.empty());
        break;
      case Outcome::EndSent:
      case Outcome::EndNotDone:
        EXPECT_TRUE(contains(log, "box Press OK to tell the controller that the rebuild is complete."));
        EXPECT_EQ(seen.ends, 1u);
        EXPECT_TRUE(contains(rig->views.traces, row.outcome == Outcome::EndSent ? "Rebuild Complete sent"
                                                                              : "Rebuild Complete not done"));
        break;
      case Outcome::NothingSent:
        EXPECT_EQ(seen.ends, 0u);
        break;
    }
  }

  // A failed rebuild: reported by the poll timer itself, once, and never as a cancel.
  void expectFailure(const Row& row, const Observed& seen) {
    EXPECT_EQ(seen.shown, std::vector<std::string>{"notice |Rebuild Process Fail!|"});
    EXPECT_EQ(seen.ends, row.endSent ? 1u : 0u);
    ASSERT_NE(seen.worker, nullptr);
    if (row.endSent) {
      EXPECT_TRUE(controller().rangeEqual(1, 1, 1, 2, 0, kSize));
      return;
    }
    // Exactly the chunks counted done were copied; the failing one was not (unless
    // the server did it and its answer was lost on the way).
    const std::uint64_t failedAt = seen.worker->currentLba();
    if (row.failAt) {
      EXPECT_EQ(failedAt, *row.failAt);
    }
    EXPECT_TRUE(controller().rangeEqual(1, 1, 1, 2, 0, static_cast<std::uint32_t>(failedAt)));
    if (row.midway == Midway::None) {
      EXPECT_FALSE(controller().rangeEqual(1, 1, 1, 2, static_cast<std::uint32_t>(failedAt), 1));
    }
    // No chunk after the failing one was tried.
    EXPECT_LE(seen.transfers, failedAt / 128 + 5);
  }

  std::unique_ptr<RebuildRig> rig;
  std::chrono::steady_clock::duration cancelTook{};
};

TEST_P(RebuildFaultMatrix, OperatorDataAndStateAfterTheFault) {
  const Row& row = GetParam().row;
  run();
  const Observed seen = observe();

  EXPECT_EQ(count(rig->views.log, "box TAVRIX DMA Failed!"), row.dmaBox ? 1 : 0);
  if (row.outcome != Outcome::Complete) {
    // No success after a fault, ever.
    EXPECT_EQ(count(seen.shown, "notice |Rebuild Process Complete!|"), 0);
    EXPECT_FALSE(contains(rig->views.rows, "Rebuild End"));
  }
  expectOutcome(row, seen);
  if (HasFatalFailure()) return;
  if (row.outcome != Outcome::NotStarted && row.op != Op::RebuildComplete) {
    // Polling goes on at LoopTime; a reported outcome leaves the page idle.
    EXPECT_TRUE(rig->views.timerEnabled);
    EXPECT_EQ(rig->views.timerInterval, 1000);
    if (!seen.shown.empty()) {
      EXPECT_EQ(seen.state, RebuildState::Idle);
      EXPECT_TRUE(rig->control->RebuildIdle);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, RebuildFaultMatrix, ::testing::ValuesIn(test::onEveryLink(rows())), [](const auto& info) {
  return info.param.row.name + "_" + test::linkName(info.param.link);
});

}  // namespace
}  // namespace raidmon
