#include "link/direct_port_link.h"

#include <gtest/gtest.h>

#include "support/fake_storage.h"

namespace raidmon {
namespace {

using test::FakeStorage;

TEST(ControlPacketTest, DirectHeaderFieldsAndUntouchedData) {
  ControlPacket p;
  p.setData8(0, 0xAB);
  p.setData32(2044, 0x01020304);
  p.fillDirectHeader(CTL_READ_STATUS, 2048);
  EXPECT_EQ(p.headerLength(), 28u);
  EXPECT_EQ(p.signature(), "korvane");
  EXPECT_EQ(p.raw()[11], 0);
  EXPECT_EQ(p.timeout(), 100u);
  EXPECT_EQ(p.controlCode(), CTL_READ_STATUS);
  EXPECT_EQ(p.returnCode(), 0xFFu);
  EXPECT_EQ(p.length(), 2048u);
  EXPECT_EQ(p.data8(0), 0xAB);
  EXPECT_EQ(p.data32(2044), 0x01020304u);
  // Little-endian on the wire.
  EXPECT_EQ(p.raw()[16], 0x08);
  EXPECT_EQ(p.raw()[19], 0x80);
  // Out-of-range data offsets neither read nor write.
  p.setData32(2046, 0xFFFFFFFF);
  EXPECT_EQ(p.data32(2046), 0u);
  EXPECT_EQ(p.data8(2048), 0);
}

TEST(DirectPortLinkTest, FirstNameMatchesLowerCaseDriverOnly) {
  FakeStorage s;
  s.ports[0] = {"\\Device\\Ide\\IdePort0", true, false};
  s.ports[3] = {"\\Device\\tavrixRX0", true, true};
  DirectPortLink link(s);
  EXPECT_TRUE(link.findPortByName("tavrixRX"));
  EXPECT_EQ(link.matchingPorts(), 1);
  EXPECT_EQ(s.opened.back(), "\\\\.\\SCSI3:");
  EXPECT_EQ(link.portNames()[0], "\\IdePort");
  EXPECT_EQ(link.portNames()[3], "tavrixRX");
  EXPECT_EQ(link.portNames()[1], "");

  DirectPortLink second(s);
  EXPECT_FALSE(second.findPortByName("TavrixRX"));  // case-sensitive
  EXPECT_EQ(s.opened.back(), "\\\\.\\SCSI255:");
}

TEST(DirectPortLinkTest, LocateFallsBackToSecondNameAndCountsPorts) {
  FakeStorage s;
  s.ports[2] = {"\\Device\\TavrixRX0", true, true};
  s.ports[5] = {"\\Device\\TavrixRX1", true, true};
  DirectPortLink link(s);
  ControlPacket p;
  const LocateResult r = link.locate(p);
  EXPECT_TRUE(r.portFound);
  EXPECT_TRUE(r.foundByName);
  EXPECT_EQ(r.matchingPorts, 2);
  EXPECT_EQ(r.probeResult, 1);
  EXPECT_EQ(s.handlePort[link.handle()], 2);  // the lower port is opened
}

TEST(DirectPortLinkTest, ShortOrUnreadableNamesNeverMatch) {
  FakeStorage s;
  s.ports[0] = {"tavrixRX", true, true};  // 10 characters with both zeros: too short
  s.ports[1] = {"\\Device\\averyveryverylongname99", true, true};  // does not fit 30
  DirectPortLink link(s);
  EXPECT_FALSE(link.findPortByName("tavrixRX"));
  EXPECT_EQ(link.portNames()[0], "");
  EXPECT_EQ(link.portNames()[1], "");
}

TEST(DirectPortLinkTest, FallbackScanKeepsFirstAnsweringPortAndClosesTheOthers) {
  FakeStorage s;
  s.ports[1] = {"", true, false};  // opens, never answers
  s.ports[4] = {"", true, true};
  s.ports[6] = {"", true, true};
  DirectPortLink link(s);
  ControlPacket p;
  const LocateResult r = link.locate(p);
  EXPECT_TRUE(r.portFound);
  EXPECT_FALSE(r.foundByName);
  EXPECT_EQ(r.matchingPorts, 0);
  EXPECT_EQ(r.probeResult, 1);
  EXPECT_EQ(s.handlePort[link.handle()], 4);
  EXPECT_EQ(s.open.size(), 1u);  // port 1's handle was closed again
  EXPECT_EQ(s.opened[2], "\\\\.\\Scsi0:");
}

TEST(DirectPortLinkTest, ProbeTriesTenTimesThenReportsZero) {
  FakeStorage s;
  s.ports[0] = {"\\Device\\tavrixRX0", true, false};
  DirectPortLink link(s);
  ControlPacket p;
  const LocateResult r = link.locate(p);
  EXPECT_TRUE(r.portFound);
  EXPECT_EQ(r.probeResult, 0);
  ASSERT_EQ(s.requests.size(), 10u);
  for (const auto& req : s.requests) {
    EXPECT_EQ(req.controlCode(), CTL_PROBE);
    EXPECT_EQ(req.length(), 0u);
  }
}

TEST(DirectPortLinkTest, NoPortAtAll) {
  FakeStorage s;
  DirectPortLink link(s);
  ControlPacket p;
  const LocateResult r = link.locate(p);
  EXPECT_FALSE(r.portFound);
  EXPECT_FALSE(r.foundByName);
  EXPECT_FALSE(link.readStatus(p));
}

TEST(DirectPortLinkTest, RequestLayoutsPerOperation) {
  FakeStorage s;
  s.ports[0] = {"\\Device\\tavrixRX0", true, true};
  DirectPortLink link(s);
  ASSERT_TRUE(link.findPortByName("tavrixRX"));
  ControlPacket p;
  p.setData8(12, 0x77);  // bytes after the transfer payload stay as they were
  ASSERT_TRUE(link.transfer(p, {1, 2, 3, 0, 0x12345678, 128}));
  const ControlPacket& t = s.requests.back();
  EXPECT_EQ(t.controlCode(), CTL_TRANSFER);
  EXPECT_EQ(t.length(), 2048u);
  EXPECT_EQ(t.data8(0), 1);
  EXPECT_EQ(t.data8(3), 0);
  EXPECT_EQ(t.data32(4), 0x12345678u);
  EXPECT_EQ(t.data16(8), 128);
  EXPECT_EQ(t.data8(12), 0x77);

  struct Case {
    bool (*op)(DirectPortLink&, ControlPacket&);
    std::uint32_t code, length;
  };
  const Case cases[] = {
      {[](DirectPortLink& l, ControlPacket& q) { return l.readConfig(q); }, CTL_READ_CONFIG, 2048},
      {[](DirectPortLink& l, ControlPacket& q) { return l.readStatus(q); }, CTL_READ_STATUS, 2048},
      {[](DirectPortLink& l, ControlPacket& q) { return l.rebuildBegin(q); }, CTL_REBUILD_BEGIN, 2048},
      {[](DirectPortLink& l, ControlPacket& q) { return l.rebuildEnd(q, 0, 1); }, CTL_REBUILD_END, 0},
      {[](DirectPortLink& l, ControlPacket& q) { return l.plugBackup(q); }, CTL_PLUG_BACKUP, 2048},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(c.op(link, p));
    EXPECT_EQ(s.requests.back().controlCode(), c.code);
    EXPECT_EQ(s.requests.back().length(), c.length);
    EXPECT_EQ(s.requests.back().returnCode(), 0xFFu);
  }
  EXPECT_TRUE(link.rescanBus());
  EXPECT_EQ(s.rescans, 1);
}

}  // namespace
}  // namespace raidmon
