// The emulated NT storage stack: DOS device names, port paths, handle bookkeeping,
// miniport delivery by port role and bus rescans.
#include <gtest/gtest.h>

#include <cstring>

#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "protocol/control_packet.h"

namespace raidmon::emu {
namespace {

Controller makeDefault() {
  ScenarioParse p = parseScenario(defaultScenarioText());
  EXPECT_TRUE(p.has_value()) << p.error().message;
  return Controller(p.value());
}

TEST(NtStorage, QueryDosDeviceCountsBothZerosAndRefusesOverflow) {
  Controller c = makeDefault();
  EmulatedNtStorage nt(c);
  char buf[64];
  struct Case {
    std::string_view dos;
    std::uint32_t capacity;
    std::uint32_t count;
    std::string_view name;
  } cases[] = {
      {"scsi0:", 30, 22, "\\Device\\Ide\\IdePort0"},
      {"scsi1:", 30, 19, "\\Device\\tavrixRX0"},
      {"SCSI2:", 30, 19, "\\Device\\tavrixRX1"},
      {"scsi1:", 19, 19, "\\Device\\tavrixRX0"},  // exact fit
      {"scsi1:", 18, 0, ""},                      // one short
      {"scsi0:", 21, 0, ""},
      {"scsi3:", 30, 0, ""},                      // no such port
      {"scsi10:", 30, 0, ""},
      {"scsi1", 30, 0, ""},
      {"xscsi1:", 30, 0, ""},
  };
  for (const Case& k : cases) {
    std::memset(buf, 'x', sizeof buf);
    const std::uint32_t n = nt.queryDosDevice(k.dos, buf, k.capacity);
    EXPECT_EQ(n, k.count) << k.dos << " cap " << k.capacity;
    if (n != 0) {
      EXPECT_EQ(std::string_view(buf, n - 2), k.name);
      EXPECT_EQ(buf[n - 2], '\0');
      EXPECT_EQ(buf[n - 1], '\0');
      EXPECT_EQ(buf[n], 'x') << "wrote past the count";
    }
  }
  EXPECT_EQ(nt.queryDosDevice("scsi1:", nullptr, 30), 0u);
}

TEST(NtStorage, CreateFileAcceptsOnlyPortPathsOfExistingPorts) {
  Controller c = makeDefault();
  EmulatedNtStorage nt(c);
  struct Case {
    std::string_view path;
    std::optional<int> port;
  } cases[] = {
      {"\\\\.\\SCSI1:", 1}, {"\\\\.\\Scsi2:", 2}, {"\\\\.\\scsi0:", 0},
      {"\\\\.\\SCSI255:", std::nullopt}, {"\\\\.\\SCSI5:", std::nullopt},
      {"\\\\.\\SCSI1", std::nullopt},    {"SCSI1:", std::nullopt},
      {"\\\\.\\SCSI1:x", std::nullopt},  {"", std::nullopt},
  };
  std::size_t opened = 0;
  for (const Case& k : cases) {
    const DeviceHandle h = nt.createFile(k.path);
    if (k.port) {
      ASSERT_NE(h, kInvalidHandle) << k.path;
      EXPECT_EQ(nt.portOfHandle(h), k.port);
      ++opened;
    } else {
      EXPECT_EQ(h, kInvalidHandle) << k.path;
    }
  }
  EXPECT_EQ(nt.openHandleCount(), opened);
  for (DeviceHandle h : nt.openHandles()) nt.closeHandle(h);
  EXPECT_EQ(nt.openHandleCount(), 0u);
  nt.closeHandle(kInvalidHandle);  // ignored
}

TEST(NtStorage, HandlesAreDistinctAndClosedHandlesStopWorking) {
  Controller c = makeDefault();
  EmulatedNtStorage nt(c);
  const DeviceHandle a = nt.createFile("\\\\.\\SCSI1:");
  const DeviceHandle b = nt.createFile("\\\\.\\SCSI1:");
  EXPECT_NE(a, b);
  ControlPacket p;
  p.fillDirectHeader(CTL_PROBE, 0);
  EXPECT_TRUE(nt.miniportControl(a, p.raw(), kPacketSize));
  nt.closeHandle(a);
  EXPECT_EQ(nt.openHandleCount(), 1u);
  EXPECT_FALSE(nt.miniportControl(a, p.raw(), kPacketSize));
  EXPECT_FALSE(nt.rescanBus(a));
  EXPECT_TRUE(nt.miniportControl(b, p.raw(), kPacketSize));
}

TEST(NtStorage, MiniportReachesTheControllerOnlyOnDriverPorts) {
  Controller c = makeDefault();
  EmulatedNtStorage nt(c);
  for (int port : {0, 1, 2}) {
    const DeviceHandle h = nt.createFile("\\\\.\\SCSI" + std::to_string(port) + ":");
    ControlPacket p;
    p.fillDirectHeader(CTL_PROBE, 0);
    const bool ok = nt.miniportControl(h, p.raw(), kPacketSize);
    EXPECT_EQ(ok, port != 0) << port;
    EXPECT_EQ(p.returnCode(), port != 0 ? CTL_PROBE : kReturnCodeUnset);
  }
  const auto log = c.requestLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].port, 1);
  EXPECT_EQ(log[1].port, 2);
  // A short buffer is rejected by the driver.
  ControlPacket p;
  p.fillDirectHeader(CTL_PROBE, 0);
  EXPECT_FALSE(nt.miniportControl(nt.createFile("\\\\.\\SCSI1:"), p.raw(), 100));
}

TEST(NtStorage, RescanReachesTheControllerOnceFromADriverPort) {
  Controller c = makeDefault();
  EmulatedNtStorage nt(c);
  const DeviceHandle foreign = nt.createFile("\\\\.\\SCSI0:");
  const DeviceHandle ours = nt.createFile("\\\\.\\SCSI1:");
  EXPECT_TRUE(nt.rescanBus(foreign));
  EXPECT_EQ(c.rescanCount(), 0u);
  EXPECT_TRUE(nt.rescanBus(ours));
  EXPECT_EQ(c.rescanCount(), 1u);
  EXPECT_EQ(nt.rescanRequests(), 2u);
  EXPECT_FALSE(nt.rescanBus(12345));
}

TEST(NtStorage, PortsCanBeReplacedOrRemoved) {
  Controller c = makeDefault();
  EmulatedNtStorage nt(c);
  const DeviceHandle h = nt.createFile("\\\\.\\SCSI1:");
  nt.setPort(1, std::nullopt);
  char buf[30];
  EXPECT_EQ(nt.queryDosDevice("scsi1:", buf, sizeof buf), 0u);
  EXPECT_EQ(nt.createFile("\\\\.\\SCSI1:"), kInvalidHandle);
  ControlPacket p;
  EXPECT_FALSE(nt.miniportControl(h, p.raw(), kPacketSize));
  nt.setPort(7, ScenarioPort{0, PortRole::Driver, "\\Device\\TavrixRX3"});
  EXPECT_EQ(nt.queryDosDevice("scsi7:", buf, sizeof buf), 19u);
  EXPECT_EQ(std::string_view(buf), "\\Device\\TavrixRX3");
  const DeviceHandle h7 = nt.createFile("\\\\.\\scsi7:");
  p.fillDirectHeader(CTL_PROBE, 0);
  EXPECT_TRUE(nt.miniportControl(h7, p.raw(), kPacketSize));
  EXPECT_EQ(c.requestLog().back().port, 7);
}

}  // namespace
}  // namespace raidmon::emu
