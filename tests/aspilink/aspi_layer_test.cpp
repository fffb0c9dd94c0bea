// The ASPI layer stand-in taken as an ASPI caller takes it: the published request
// blocks, with the data buffer, the completion event and the request to abort in the
// blocks' own pointer slots on a 32-bit host (beside them on a 64-bit one).
#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "aspilink/loaded_bridge.h"
#include "platform/manual_reset_event.h"

namespace raidmon {
namespace {

using namespace std::chrono_literals;

class AspiLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(standIn_);
    standIn_->attach(&test::RecordingBackend::deliver, &backend_);
    std::string error;
    library_ = openLibrary(programDirectory() + aspi::kLibraryFile, error);
    ASSERT_NE(library_, nullptr) << error;
    send_ = reinterpret_cast<aspi::SendASPI32CommandFn>(librarySymbol(library_, "SendASPI32Command"));
    ASSERT_NE(send_, nullptr);
    ASSERT_TRUE(done_.valid());
  }
  void TearDown() override { closeLibrary(library_); }

  // A CDB 0x77 request for 48 bytes of buffer_ to adapter 1, target 2.
  aspi::ExecRequest request() {
    aspi::ExecRequest r;
    r.srb.SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
    r.srb.SRB_HaId = 1;
    r.srb.SRB_Flags = aspi::SRB_DIR_IN | aspi::SRB_EVENT_NOTIFY;
    r.srb.SRB_Target = 2;
    r.srb.SRB_BufLen = static_cast<std::uint32_t>(buffer_.size());
    r.srb.SRB_CDBLen = 6;
    r.srb.CDBByte[0] = 0x77;
    aspi::setBuffer(r, buffer_.data());
    aspi::setPostProc(r, done_.completionHandle());
    return r;
  }

  test::AttachedStandIn standIn_;
  test::RecordingBackend backend_;
  void* library_ = nullptr;
  aspi::SendASPI32CommandFn send_ = nullptr;
  ManualResetEvent done_;
  std::array<std::uint8_t, 48> buffer_{};
};

// On a 32-bit host the request is the bare 80-byte block and the slots hold the
// pointers themselves; the device answers in the caller's buffer and the event is set.
TEST_F(AspiLayer, ExecuteBlockCarriesBufferAndEventInItsSlots) {
  if (aspi::kPointersInBlock) {
    EXPECT_EQ(sizeof(aspi::ExecRequest), aspi::kExecBlockSize);
    EXPECT_EQ(sizeof(aspi::AbortRequest), aspi::kAbortBlockSize);
  }
  buffer_[0] = 0xAB;
  backend_.answer = [](std::uint8_t* b, std::uint32_t) { b[1] = 0xCD; };
  aspi::ExecRequest r = request();
  const std::uint32_t bufSlot = aspi::kPointersInBlock ? aspi::detail::toSlot(buffer_.data()) : 0;
  const std::uint32_t eventSlot = aspi::kPointersInBlock ? aspi::detail::toSlot(done_.completionHandle()) : 0;
  EXPECT_EQ(r.srb.SRB_BufPointer, bufSlot);
  EXPECT_EQ(r.srb.SRB_PostProc, eventSlot);

  EXPECT_EQ(send_(&r), aspi::SS_PENDING);
  ASSERT_TRUE(done_.waitFor(10s));
  EXPECT_EQ(r.srb.SRB_Status, aspi::SS_COMP);
  EXPECT_EQ(buffer_[1], 0xCD);
  const auto reqs = backend_.requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].buffer[0], 0xAB);
  EXPECT_EQ(std::make_tuple(reqs[0].srb.SRB_BufPointer, reqs[0].srb.SRB_PostProc),
            std::make_tuple(bufSlot, eventSlot));
}

// The abort block names its request in its own slot too: the stalled request is taken
// back, completes as aborted with its event set, and never reaches the device.
TEST_F(AspiLayer, AbortBlockNamesItsRequestInItsSlot) {
  standIn_->setStall(true);
  aspi::ExecRequest r = request();
  EXPECT_EQ(send_(&r), aspi::SS_PENDING);
  EXPECT_FALSE(done_.waitFor(20ms));
  aspi::AbortRequest a;
  a.srb.SRB_Cmd = aspi::SC_ABORT_SRB;
  a.srb.SRB_HaId = 1;
  aspi::setToAbort(a, &r);
  EXPECT_EQ(a.srb.SRB_ToAbort, aspi::kPointersInBlock ? aspi::detail::toSlot(&r) : 0u);
  EXPECT_EQ(send_(&a), aspi::SS_COMP);
  EXPECT_TRUE(done_.isSet());
  EXPECT_EQ(r.srb.SRB_Status, aspi::SS_ABORTED);
  // Nothing left to abort: refused.
  EXPECT_EQ(send_(&a), aspi::SS_ABORT_FAIL);
  standIn_->setStall(false);
  EXPECT_TRUE(backend_.requests().empty());
}

}  // namespace
}  // namespace raidmon
