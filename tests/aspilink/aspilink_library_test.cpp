// The real bridge library, both builds, loaded with dlopen: what reaches the device
// behind the ASPI layer for each entry and code, byte for byte, and what comes back.
#include <gtest/gtest.h>

#include <array>
#include <numeric>

#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/scenario_parser.h"
#include "link/byte_order.h"
#include "link/control_packet.h"

namespace raidmon {
namespace {

using test::AttachedStandIn;
using test::LoadedBridge;
using test::RecordedRequest;
using test::RecordingBackend;

constexpr std::uint32_t kCallerReturnCode = 0x5A5A1234;

// A caller's packet whose every byte is known: a pattern, with ReturnCode set.
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
  std::string word() const { return GetParam(); }

  // The signature field as this build writes it: the word, then zeros to 8 bytes.
  std::array<std::uint8_t, 8> signature() const {
    std::array<std::uint8_t, 8> s{};
    const std::string w = word();
    std::copy(w.begin(), w.end(), s.begin());
    return s;
  }

  void expectRequestBlock(const RecordedRequest& r, std::uint8_t adapter, std::uint8_t target,
                          std::uint32_t bufLen) {
    EXPECT_EQ(r.adapter, adapter);
    EXPECT_EQ(r.target, target);
    const aspi::SRB_ExecSCSICmd& s = r.srb;
    EXPECT_EQ(s.SRB_Cmd, aspi::SC_EXEC_SCSI_CMD);
    EXPECT_EQ(s.SRB_HaId, adapter);
    EXPECT_EQ(s.SRB_Flags, 0x48);
    EXPECT_EQ(s.SRB_Hdr_Rsvd, 0u);
    EXPECT_EQ(s.SRB_Target, target);
    EXPECT_EQ(s.SRB_Lun, 0);
    EXPECT_EQ(s.SRB_BufLen, bufLen);
    EXPECT_EQ(s.SRB_SenseLen, 0);
    EXPECT_EQ(s.SRB_CDBLen, 6);
    const std::array<std::uint8_t, 16> cdb{0x77};
    EXPECT_EQ(std::memcmp(s.CDBByte, cdb.data(), cdb.size()), 0);
    EXPECT_EQ(r.buffer.size(), bufLen);
  }

  void expectHeader(const RecordedRequest& r, std::uint32_t code, std::uint32_t length) {
    const std::uint8_t* b = r.buffer.data();
    EXPECT_EQ(loadLe32(b + kOffHeaderLength), 28u);
    const auto sig = signature();
    EXPECT_EQ(std::memcmp(b + kOffSignature, sig.data(), 8), 0)
        << std::string(reinterpret_cast<const char*>(b + kOffSignature), 8);
    EXPECT_EQ(loadLe32(b + kOffTimeout), 100u);
    EXPECT_EQ(loadLe32(b + kOffControlCode), code);
    EXPECT_EQ(loadLe32(b + kOffReturnCode), kCallerReturnCode);
    EXPECT_EQ(loadLe32(b + kOffLength), length);
  }

  LoadedBridge bridge_{GetParam()};
  RecordingBackend backend_;
  AttachedStandIn standIn_;
};

// The general entry: per code, the header, the declared length, the request fields at
// their data offsets, everything else as the caller had it, and the result rule.
TEST_P(AspilinkLibrary, GeneralEntryCarriesEachCodeAsTheTableSays) {
  struct Case {
    std::uint32_t code;
    std::uint32_t length;
    std::uint8_t result;  // with a device that does not touch the packet
  };
  const Case cases[] = {
      {CTL_PROBE, 0, 0},          {CTL_READ_CONFIG, 2048, 1},   {CTL_TRANSFER, 2048, 1},
      {CTL_READ_STATUS, 512, 1},  {CTL_REBUILD_BEGIN, 0, 1},    {CTL_UNNAMED_20, 0, 1},
      {CTL_REBUILD_END, 512, 1},  {CTL_UNNAMED_100, 512, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    backend_.clear();
    ControlPacket p = patterned();
    const ControlPacket before = p;
    // Only the low byte of adapter and target and of each parameter is used.
    const std::uint8_t got = x().TavrixIoControl(0xDEAD, 0xBEEF, c.code, 0x0301, 0x0702, p.raw(),
                                                 0x1A1, 0x2B2, 0x3C3, 0x4D4, 0xCAFEF00D, 0x12345678);
    EXPECT_EQ(got, c.result);
    const auto reqs = backend_.requests();
    ASSERT_EQ(reqs.size(), 1u);
    const RecordedRequest& r = reqs[0];
    expectRequestBlock(r, 1, 2, 2076);
    expectHeader(r, c.code, c.length);

    // Data: the caller's bytes except the request fields.
    std::array<std::uint8_t, kDataSize> want{};
    std::copy_n(before.data(), kDataSize, want.begin());
    if (c.code == CTL_TRANSFER) {
      want[0] = 0xA1, want[1] = 0xB2, want[2] = 0xC3, want[3] = 0xD4;
      storeLe32(&want[4], 0xCAFEF00D);
      storeLe16(&want[8], 0x5678);
    } else if (c.code == CTL_REBUILD_END || c.code == CTL_UNNAMED_100) {
      want[1] = 0xB2;  // the second parameter byte; the first goes nowhere
      storeLe32(&want[4], 0);
      storeLe32(&want[8], 0xCAFEF00D);
      storeLe32(&want[12], 0);
    }
    EXPECT_EQ(std::memcmp(r.buffer.data() + kHeaderSize, want.data(), kDataSize), 0);
    // All 2076 bytes come back: the header as sent, the data as the device left it.
    EXPECT_EQ(std::memcmp(p.raw(), r.buffer.data(), kPacketSize), 0);
  }
}

TEST_P(AspilinkLibrary, CodesOutsideTheTableSendNothingAndLeaveThePacket) {
  for (std::uint32_t code : {CTL_PLUG_BACKUP, 0x80018040u, 0x80018003u, 0u, 0x10u}) {
    SCOPED_TRACE(code);
    ControlPacket p = patterned();
    const ControlPacket before = p;
    EXPECT_EQ(x().TavrixIoControl(0, 0, code, 1, 0, p.raw(), 1, 2, 3, 4, 5, 6), 1);
    EXPECT_EQ(p.bytes, before.bytes);
  }
  EXPECT_EQ(x().TavrixIoControl(0, 0, 0x80018040u, 1, 0, nullptr, 0, 0, 0, 0, 0, 0), 1);
  EXPECT_TRUE(backend_.requests().empty());
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_READ_STATUS, 1, 0, nullptr, 0, 0, 0, 0, 0, 0), 0);
}

TEST_P(AspilinkLibrary, ResultsFollowTheReturnedReturnCode) {
  ControlPacket p = patterned();
  // Probe: 1 only when the driver echoes the code.
  backend_.answer = [](std::uint8_t* b, std::uint32_t) { storeLe32(b + kOffReturnCode, CTL_PROBE); };
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_PROBE, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
  backend_.answer = [](std::uint8_t* b, std::uint32_t) { storeLe32(b + kOffReturnCode, 1); };
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_PROBE, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 0);
  // Transfer, both entries: non-zero ReturnCode.
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_TRANSFER, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
  EXPECT_EQ(x().TavrixReadWrite(0, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
  backend_.answer = [](std::uint8_t* b, std::uint32_t) { storeLe32(b + kOffReturnCode, 0); };
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_TRANSFER, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(x().TavrixReadWrite(0, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(x().TavrixFlashReadWrite(0, 0, 0, p.raw(), 0x10, 0, 0), 0);
  // The other codes succeed whatever the driver says.
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_REBUILD_BEGIN, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
  EXPECT_EQ(p.returnCode(), 0u);
}

TEST_P(AspilinkLibrary, TransferEntrySendsFortyEightBytes) {
  ControlPacket p = patterned();
  const ControlPacket before = p;
  backend_.answer = [](std::uint8_t* b, std::uint32_t n) {
    std::fill(b + kHeaderSize, b + n, std::uint8_t{0xEE});
    storeLe32(b + kOffReturnCode, 1);
  };
  EXPECT_EQ(x().TavrixReadWrite(9, 0x101, 0x203, p.raw(), 0, 1, 2, 0x103, 0x00ABCDEF, 0x10080), 1);
  const auto reqs = backend_.requests();
  ASSERT_EQ(reqs.size(), 1u);
  const RecordedRequest& r = reqs[0];
  expectRequestBlock(r, 1, 3, 48);
  expectHeader(r, CTL_TRANSFER, 20);
  const std::uint8_t* d = r.buffer.data() + kHeaderSize;
  EXPECT_EQ(d[0], 0);
  EXPECT_EQ(d[1], 1);
  EXPECT_EQ(d[2], 2);
  EXPECT_EQ(d[3], 3);
  EXPECT_EQ(loadLe32(d + 4), 0x00ABCDEFu);
  EXPECT_EQ(loadLe16(d + 8), 0x0080);
  EXPECT_EQ(std::memcmp(d + 10, before.data() + 10, 10), 0);  // as the caller had them
  // 48 bytes come back; the caller's bytes beyond them stay.
  EXPECT_EQ(p.data8(19), 0xEE);
  EXPECT_EQ(std::memcmp(p.raw() + 48, before.raw() + 48, kPacketSize - 48), 0);
}

TEST_P(AspilinkLibrary, FlashEntrySendsOneHundredEightyBytes) {
  std::array<std::uint8_t, 180> flash{};
  std::iota(flash.begin(), flash.end(), std::uint8_t{1});
  storeLe32(flash.data() + kOffReturnCode, kCallerReturnCode);
  std::array<std::uint8_t, 200> guard{};
  std::copy(flash.begin(), flash.end(), guard.begin());
  guard[180] = 0x42;
  backend_.answer = [](std::uint8_t* b, std::uint32_t n) { b[n - 1] = 0x99; };
  EXPECT_EQ(x().TavrixFlashReadWrite(0, 2, 1, guard.data(), 0x1240, 0x12345, 0x1FF), 1);
  const auto reqs = backend_.requests();
  ASSERT_EQ(reqs.size(), 1u);
  const RecordedRequest& r = reqs[0];
  expectRequestBlock(r, 2, 1, 180);
  expectHeader(r, 0x40, 150);
  const std::uint8_t* d = r.buffer.data() + kHeaderSize;
  EXPECT_EQ(d[0], 0x40);
  EXPECT_EQ(std::memcmp(d + 1, flash.data() + kHeaderSize + 1, 3), 0);
  EXPECT_EQ(loadLe32(d + 4), 0x2345u);
  EXPECT_EQ(loadLe32(d + 8), 0xFFu);
  EXPECT_EQ(std::memcmp(d + 12, flash.data() + kHeaderSize + 12, 180 - kHeaderSize - 12), 0);
  EXPECT_EQ(guard[179], 0x99);
  EXPECT_EQ(guard[180], 0x42);
}

// Against the emulated controller: the status read declares 512 data bytes but the
// caller gets all 2076 back, and the fields reach the driver where it reads them.
TEST_P(AspilinkLibrary, StatusReadAndRebuildEndThroughTheEmulator) {
  const emu::ScenarioParse scenario = emu::parseScenario(emu::defaultScenarioText());
  ASSERT_TRUE(scenario.ok());
  emu::Controller controller(scenario.scenario);
  standIn_->attachDevice(controller);

  ControlPacket p = patterned();
  EXPECT_EQ(x().TavrixIoControl(0, 1, CTL_READ_STATUS, 1, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
  EXPECT_EQ(p.returnCode(), 1u);
  const auto status = controller.statusBlock();
  EXPECT_EQ(std::memcmp(p.data(), status.data(), status.size()), 0);
  // The driver answered the whole data area: the rest is cleared, past the 512 declared.
  EXPECT_EQ(p.data8(600), 0);
  EXPECT_EQ(p.data8(2047), 0);

  EXPECT_EQ(x().TavrixIoControl(0, 1, CTL_REBUILD_END, 1, 0, p.raw(), 3, 2, 0, 0, 0xAABBCCDD, 0), 1);
  const auto log = controller.requestLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].code, CTL_REBUILD_END);
  EXPECT_EQ(log[1].transport, emu::Transport::Aspi);
  EXPECT_EQ(log[1].adapter, 1);
  EXPECT_EQ(log[1].target, 0);
  EXPECT_EQ(log[1].data[1], 2);
  EXPECT_EQ(loadLe32(&log[1].data[4]), 0u);
  EXPECT_EQ(loadLe32(&log[1].data[8]), 0xAABBCCDDu);
  EXPECT_EQ(loadLe32(&log[1].data[12]), 0u);

  // No controller at adapter 0: the request completes but nothing echoes the probe.
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_PROBE, 0, 0, p.raw(), 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(x().TavrixIoControl(0, 0, CTL_PROBE, 1, 0, p.raw(), 0, 0, 0, 0, 0, 0), 1);
  standIn_->detach();
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, AspilinkLibrary, ::testing::Values("korvane", "pobek"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace raidmon
