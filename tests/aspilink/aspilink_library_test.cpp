// The real bridge library, both builds, loaded with dlopen: what reaches the device
// behind the ASPI layer for each entry and code, byte for byte, and what comes back.
#include <gtest/gtest.h>

#include <array>

#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/scenario_parser.h"

namespace raidmon {
namespace {

using test::RecordedRequest;
using test::RecordingBackend;

constexpr std::uint32_t kCallerReturnCode = 0x5A5A1234;

// A caller's packet whose every byte is known.
ControlPacket patterned() {
  ControlPacket p;
  for (std::size_t i = 0; i < kPacketSize; ++i) p.bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  p.setReturnCode(kCallerReturnCode);
  return p;
}

class AspilinkLibrary : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bridge_.ok()) << bridge_.error();
    ASSERT_TRUE(standIn_);
    standIn_->attach(&RecordingBackend::deliver, &backend_);
  }
  const BridgeExports& x() { return bridge_.exports(); }

  // The one request that reached the device: the request block, then the header the
  // bridge wrote (this build's signature, the caller's ReturnCode kept).
  RecordedRequest only(std::uint8_t adapter, std::uint8_t target, std::uint32_t bufLen,
                       std::uint32_t code, std::uint32_t length) {
    const auto reqs = backend_.requests();
    backend_.clear();
    EXPECT_EQ(reqs.size(), 1u);
    if (reqs.size() != 1) return {};
    const RecordedRequest& r = reqs[0];
    const aspi::SRB_ExecSCSICmd& s = r.srb;
    EXPECT_EQ(std::make_tuple(r.adapter, r.target, s.SRB_HaId, s.SRB_Target),
              std::make_tuple(adapter, target, adapter, target));
    EXPECT_EQ(std::make_tuple(s.SRB_Cmd, s.SRB_Flags, s.SRB_Lun, s.SRB_BufLen, s.SRB_CDBLen),
              std::make_tuple(std::uint8_t{2}, std::uint8_t{0x48}, std::uint8_t{0}, bufLen,
                              std::uint8_t{6}));
    // A 32-bit host carries the view and the event in the block's own slots; a 64-bit
    // one leaves them 0 (the pointers travel beside the block).
    EXPECT_EQ(s.SRB_BufPointer != 0, aspi::kPointersInBlock);
    EXPECT_EQ(s.SRB_PostProc != 0, aspi::kPointersInBlock);
    const std::array<std::uint8_t, 16> cdb{0x77};
    EXPECT_EQ(std::memcmp(s.CDBByte, cdb.data(), cdb.size()), 0);
    EXPECT_EQ(r.buffer.size(), bufLen);
    const std::uint8_t* b = r.buffer.data();
    std::array<char, 8> sig{};  // the word, then zeros
    const std::string_view word = GetParam();
    std::copy(word.begin(), word.end(), sig.begin());
    EXPECT_EQ(std::memcmp(b + kOffSignature, sig.data(), 8), 0);
    EXPECT_EQ(loadLe32(b + kOffHeaderLength), 28u);
    EXPECT_EQ(loadLe32(b + kOffTimeout), 100u);
    EXPECT_EQ(loadLe32(b + kOffControlCode), code);
    EXPECT_EQ(loadLe32(b + kOffReturnCode), kCallerReturnCode);
    EXPECT_EQ(loadLe32(b + kOffLength), length);
    return r;
  }

  test::LoadedBridge bridge_{GetParam()};
  RecordingBackend backend_;
  test::AttachedStandIn standIn_;
};

// Per code: the declared length, the request fields at their data offsets and the
// caller's bytes everywhere else; all 2076 bytes come back; the result rule with a
// device that answers nothing (so only a probe fails).
TEST_P(AspilinkLibrary, GeneralEntryCarriesEachCodeAsTheTableSays) {
  const std::pair<std::uint32_t, std::uint32_t> codes[] = {
      {CTL_PROBE, 0},         {CTL_READ_CONFIG, 2048}, {CTL_TRANSFER, 2048},
      {CTL_READ_STATUS, 512}, {CTL_REBUILD_BEGIN, 0},  {CTL_UNNAMED_20, 0},
      {CTL_REBUILD_END, 512}, {CTL_UNNAMED_100, 512}};
  for (const auto& [code, length] : codes) {
    SCOPED_TRACE(code);
    ControlPacket p = patterned();
    const ControlPacket before = p;
    // Only the low byte of adapter, target and each parameter byte is used.
    EXPECT_EQ(x().TavrixIoControl(0xDEAD, 0xBEEF, code, 0x0301, 0x0702, p.raw(), 0x1A1, 0x2B2,
                                  0x3C3, 0x4D4, 0xCAFEF00D, 0x12345678),
              code == CTL_PROBE ? 0 : 1);
    const RecordedRequest r = only(1, 2, 2076, code, length);
    ASSERT_EQ(r.buffer.size(), kPacketSize);
    std::array<std::uint8_t, kDataSize> want{};
    std::copy_n(before.data(), kDataSize, want.begin());
    if (code == CTL_TRANSFER) {
      want[0] = 0xA1, want[1] = 0xB2, want[2] = 0xC3, want[3] = 0xD4;
      storeLe32(&want[4], 0xCAFEF00D);
      storeLe16(&want[8], 0x5678);
    } else if (code == CTL_REBUILD_END || code == CTL_UNNAMED_100) {
      want[1] = 0xB2;  // the second parameter byte; the first goes nowhere
      storeLe32(&want[4], 0);
      storeLe32(&want[8], 0xCAFEF00D);
      storeLe32(&want[12], 0);
    }
    EXPECT_EQ(std::memcmp(r.buffer.data() + kHeaderSize, want.data(), kDataSize), 0);
    EXPECT_EQ(std::memcmp(p.raw(), r.buffer.data(), kPacketSize), 0);
  }
}

TEST_P(AspilinkLibrary, CodesOutsideTheTableSendNothingAndLeaveThePacket) {
  for (std::uint32_t code : {CTL_PLUG_BACKUP, 0x80018040u, 0u, 0x10u}) {
    ControlPacket p = patterned();
    EXPECT_EQ(x().TavrixIoControl(0, 0, code, 1, 0, p.raw(), 1, 2, 3, 4, 5, 6), 1);
    EXPECT_EQ(p.bytes, patterned().bytes);
  }
  EXPECT_TRUE(backend_.requests().empty());
}

TEST_P(AspilinkLibrary, ResultsFollowTheReturnedReturnCode) {
  ControlPacket p = patterned();
  std::uint32_t rc = CTL_PROBE;
  backend_.answer = [&rc](std::uint8_t* b, std::uint32_t) { storeLe32(b + kOffReturnCode, rc); };
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_PROBE, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
  rc = 1;
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_PROBE, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(x().TavrixReadWrite(0, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
  rc = 0;
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_TRANSFER, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(x().TavrixReadWrite(0, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(x().TavrixFlashReadWrite(0, 0, 0, p.raw(), 0x10, 0, 0), 0);
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_REBUILD_BEGIN, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
}

// The transfer entry sends and returns 48 bytes, the flash entry 180; the caller's
// bytes beyond them stay.
TEST_P(AspilinkLibrary, TransferAndFlashEntries) {
  ControlPacket p = patterned();
  backend_.answer = [](std::uint8_t* b, std::uint32_t n) { b[n - 1] = 0xEE; };
  EXPECT_EQ(x().TavrixReadWrite(9, 0x101, 0x203, p.raw(), 0, 1, 2, 0x103, 0x00ABCDEF, 0x10080), 1);
  RecordedRequest r = only(1, 3, 48, CTL_TRANSFER, 20);
  ASSERT_EQ(r.buffer.size(), 48u);
  const std::uint8_t* d = r.buffer.data() + kHeaderSize;
  EXPECT_EQ(loadLe32(d), 0x03020100u);
  EXPECT_EQ(loadLe32(d + 4), 0x00ABCDEFu);
  EXPECT_EQ(loadLe16(d + 8), 0x0080);
  EXPECT_EQ(std::memcmp(d + 10, patterned().data() + 10, 10), 0);
  EXPECT_EQ(p.raw()[47], 0xEE);
  EXPECT_EQ(std::memcmp(p.raw() + 48, patterned().raw() + 48, kPacketSize - 48), 0);

  p = patterned();
  EXPECT_EQ(x().TavrixFlashReadWrite(0, 2, 1, p.raw(), 0x1240, 0x12345, 0x1FF), 1);
  r = only(2, 1, 180, 0x40, 150);
  ASSERT_EQ(r.buffer.size(), 180u);
  d = r.buffer.data() + kHeaderSize;
  EXPECT_EQ(d[0], 0x40);
  EXPECT_EQ(loadLe32(d + 4), 0x2345u);
  EXPECT_EQ(loadLe32(d + 8), 0xFFu);
  EXPECT_EQ(std::memcmp(d + 12, patterned().data() + 12, 180 - kHeaderSize - 12), 0);
  EXPECT_EQ(p.raw()[179], 0xEE);
  EXPECT_EQ(p.raw()[180], patterned().raw()[180]);
}

// Against the emulated controller: the status read declares 512 data bytes, yet the
// caller gets the whole answer back, and the driver sees the fields where it reads them.
TEST_P(AspilinkLibrary, StatusReadAndRebuildEndThroughTheEmulator) {
  emu::Controller controller(emu::parseScenario(emu::defaultScenarioText()).value());
  standIn_->attachDevice(controller);
  ControlPacket p = patterned();
  EXPECT_EQ(x().TavrixIoControl(0, 1, CTL_READ_STATUS, 1, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
  const auto status = controller.statusBlock();
  EXPECT_EQ(std::memcmp(p.data(), status.data(), status.size()), 0);
  EXPECT_EQ(p.data8(2047), 0);  // cleared by the driver, past the 512 declared

  EXPECT_EQ(x().TavrixIoControl(0, 1, CTL_REBUILD_END, 1, 0, p.raw(), 3, 2, 0, 0, 0xAABBCCDD, 0), 1);
  const auto log = controller.requestLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(std::make_tuple(log[1].code, log[1].adapter, log[1].target, log[1].data[1]),
            std::make_tuple(CTL_REBUILD_END, 1, 0, std::uint8_t{2}));
  EXPECT_EQ(loadLe32(&log[1].data[8]), 0xAABBCCDDu);
  standIn_->detach();
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, AspilinkLibrary, ::testing::Values("korvane", "pobek"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace raidmon
