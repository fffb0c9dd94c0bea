// Sector transfers between drives: real copies, proofs over whole ranges, failures on
// demand, refused requests; and the run-based drive contents underneath.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "emulator/controller.h"
#include "emulator/drive_contents.h"
#include "emulator/scenario_parser.h"
#include "protocol/control_packet.h"

namespace raidmon::emu {
namespace {

constexpr std::uint32_t kSectors = 100000;

Controller make() {
  ScenarioParse p = parseScenario(
      "drive 1.1 model \"SRC\" sectors 100000\n"
      "drive 1.2 model \"DST\" sectors 100000\n"
      "drive 2.1 model \"SMALL\" sectors 1000\n"
      "array 4 0 1.1 1.2\n");
  EXPECT_TRUE(p.has_value()) << p.error().message;
  return Controller(p.value());
}

struct Result {
  bool delivered;
  std::uint32_t returnCode;
};

// Transfer with 0-based card and position indexes, as the request carries them.
Result transfer(Controller& c, int sc, int sp, int tc, int tp, std::uint32_t first,
                std::uint16_t count) {
  ControlPacket p;
  p.fillDirectHeader(CTL_TRANSFER, 2048);
  p.setData8(0, static_cast<std::uint8_t>(sc));
  p.setData8(1, static_cast<std::uint8_t>(sp));
  p.setData8(2, static_cast<std::uint8_t>(tc));
  p.setData8(3, static_cast<std::uint8_t>(tp));
  p.setData32(4, first);
  p.setData16(8, count);
  const bool ok = c.handleMiniport(1, p.raw(), p.bytes.size());
  return {ok, p.returnCode()};
}

std::array<std::uint8_t, kSectorSize> filled(std::uint8_t v) {
  std::array<std::uint8_t, kSectorSize> b;
  b.fill(v);
  return b;
}

TEST(Transfer, ChunkedCopyMakesTargetEqualSourceOverTheWholeRange) {
  Controller c = make();
  const auto mark = filled(0x5A);
  ASSERT_TRUE(c.writeSector(1, 1, 777, mark.data()));
  EXPECT_FALSE(c.rangeEqual(1, 1, 1, 2, 0, kSectors));
  std::uint32_t lba = 0;
  for (; lba + 128 <= kSectors; lba += 128) {
    const Result r = transfer(c, 0, 0, 0, 1, lba, 128);
    ASSERT_TRUE(r.delivered && r.returnCode == 1) << lba;
    if (lba == 640) {
      EXPECT_TRUE(c.rangeEqual(1, 1, 1, 2, 0, 768));
      EXPECT_FALSE(c.rangeEqual(1, 1, 1, 2, 0, 769));
    }
  }
  ASSERT_EQ(transfer(c, 0, 0, 0, 1, lba, static_cast<std::uint16_t>(kSectors - lba)).returnCode, 1u);
  EXPECT_TRUE(c.rangeEqual(1, 1, 1, 2, 0, kSectors));
  std::array<std::uint8_t, kSectorSize> got{};
  ASSERT_TRUE(c.readSector(1, 2, 777, got.data()));
  EXPECT_EQ(got, mark);
  // A copy is a copy: writing the source afterwards leaves the target as it was.
  ASSERT_TRUE(c.writeSector(1, 1, 777, filled(0x11).data()));
  ASSERT_TRUE(c.readSector(1, 2, 777, got.data()));
  EXPECT_EQ(got, mark);
  EXPECT_FALSE(c.rangeEqual(1, 1, 1, 2, 0, kSectors));
  EXPECT_TRUE(c.rangeEqual(1, 1, 1, 2, 778, kSectors - 778));
}

TEST(Transfer, FailsOnDemandAtTheChosenSectorInBothModes) {
  for (TransferFailMode mode : {TransferFailMode::TransportFalse, TransferFailMode::ReturnCodeZero}) {
    Controller c = make();
    c.failTransfers(3, 300, mode);
    std::vector<bool> done;
    for (std::uint32_t lba : {0u, 128u, 256u, 256u, 256u, 256u, 384u}) {
      const Result r = transfer(c, 0, 0, 0, 1, lba, 128);
      if (mode == TransferFailMode::TransportFalse) {
        EXPECT_EQ(r.delivered, r.returnCode == 1);  // a failed send leaves 0xFF behind
      } else {
        EXPECT_TRUE(r.delivered);
      }
      done.push_back(r.delivered && r.returnCode == 1);
      if (lba == 256 && !done.back()) {
        EXPECT_FALSE(c.rangeEqual(1, 1, 1, 2, 256, 128));
      }
    }
    EXPECT_EQ(done, (std::vector<bool>{true, true, false, false, false, true, true}));
    EXPECT_TRUE(c.rangeEqual(1, 1, 1, 2, 0, 512));
    EXPECT_EQ(c.requestLog()[2].failed, mode == TransferFailMode::TransportFalse);
  }
}

TEST(Transfer, FailsAnyChunkWithoutAChosenSector) {
  Controller c = make();
  c.failTransfers(2, std::nullopt, TransferFailMode::ReturnCodeZero);
  EXPECT_EQ(transfer(c, 0, 0, 0, 1, 5000, 128).returnCode, 0u);
  EXPECT_EQ(transfer(c, 0, 0, 0, 1, 0, 128).returnCode, 0u);
  EXPECT_EQ(transfer(c, 0, 0, 0, 1, 0, 128).returnCode, 1u);
}

TEST(Transfer, ImpossibleRequestsAreAnsweredWithZeroAndCopyNothing) {
  Controller c = make();
  struct Case {
    const char* what;
    int sc, sp, tc, tp;
    std::uint32_t first;
    std::uint16_t count;
  } cases[] = {
      {"target index beyond the cards", 0, 0, 4, 0, 0, 128},
      {"source position index beyond 3", 0, 7, 0, 1, 0, 128},
      {"no drive at the target", 0, 0, 2, 2, 0, 128},
      {"past the end of the target", 0, 0, 1, 0, 900, 128},
      {"past the end of both", 0, 0, 0, 1, kSectors - 10, 128},
      {"32-bit wrap of first + count", 0, 0, 0, 1, 0xFFFFFFF0u, 128},
  };
  for (const Case& k : cases) {
    const Result r = transfer(c, k.sc, k.sp, k.tc, k.tp, k.first, k.count);
    EXPECT_TRUE(r.delivered) << k.what;
    EXPECT_EQ(r.returnCode, 0u) << k.what;
  }
  EXPECT_FALSE(c.rangeEqual(1, 1, 1, 2, 0, 1));
  c.pull(1, 1);
  EXPECT_EQ(transfer(c, 0, 0, 0, 1, 0, 128).returnCode, 0u) << "pulled source";
  c.insert(1, 1);
  EXPECT_EQ(transfer(c, 0, 0, 0, 1, 0, 128).returnCode, 1u);
}

TEST(DriveContents, PatternsDifferPerDriveAndSector) {
  std::array<std::uint8_t, kSectorSize> a{}, b{}, c{};
  DriveContents::patternSector(1, 10, a.data());
  DriveContents::patternSector(2, 10, b.data());
  DriveContents::patternSector(1, 11, c.data());
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  DriveContents::patternSector(1, 10, b.data());
  EXPECT_EQ(a, b);
}

TEST(DriveContents, WholeDriveCopyIsCompactAndComparesFast) {
  constexpr std::uint32_t kBig = 156301488;  // an 80 GB drive
  DriveContents src(1, kBig), dst(2, kBig);
  const auto mark = filled(0x33);
  for (std::uint32_t s : {0u, 12345u, kBig - 1}) ASSERT_TRUE(src.writeSector(s, mark.data()));
  const auto t0 = std::chrono::steady_clock::now();
  for (std::uint32_t lba = 0; lba < 1280000; lba += 128) ASSERT_TRUE(dst.copyFrom(src, lba, 128));
  ASSERT_TRUE(dst.copyFrom(src, 1280000, kBig - 1280000));
  EXPECT_TRUE(DriveContents::rangeEqual(src, dst, 0, kBig));
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
  EXPECT_LE(dst.runCount(), 7u);  // adjacent copied runs merge
  // One differing sector in the middle is found.
  ASSERT_TRUE(dst.writeSector(kBig / 2, mark.data()));
  EXPECT_FALSE(DriveContents::rangeEqual(src, dst, 0, kBig));
  EXPECT_TRUE(DriveContents::rangeEqual(src, dst, 0, kBig / 2));
  EXPECT_TRUE(DriveContents::rangeEqual(src, dst, kBig / 2 + 1, kBig / 2 - 1));
}

TEST(DriveContents, SameBytesOfDifferentOriginCompareEqual) {
  DriveContents a(1, 100), b(2, 100);
  std::array<std::uint8_t, kSectorSize> s{};
  ASSERT_TRUE(a.readSector(42, s.data()));
  ASSERT_TRUE(b.writeSector(42, s.data()));  // written by hand, not copied
  EXPECT_TRUE(DriveContents::rangeEqual(a, b, 42, 1));
  EXPECT_FALSE(DriveContents::rangeEqual(a, b, 41, 2));
}

TEST(DriveContents, CopyingBackRestoresThePlainPattern) {
  DriveContents a(1, 1000), b(2, 1000);
  ASSERT_TRUE(a.copyFrom(b, 100, 200));
  EXPECT_EQ(a.runCount(), 1u);
  DriveContents fresh(1, 1000);
  ASSERT_TRUE(a.copyFrom(fresh, 0, 1000));
  EXPECT_EQ(a.runCount(), 0u);
  EXPECT_TRUE(DriveContents::rangeEqual(a, fresh, 0, 1000));
}

TEST(DriveContents, BoundsAreChecked) {
  DriveContents a(1, 10), b(2, 20);
  std::array<std::uint8_t, kSectorSize> s{};
  s.fill(0x77);
  auto before = s;
  EXPECT_FALSE(a.readSector(10, s.data()));
  EXPECT_EQ(s, before);
  EXPECT_FALSE(a.writeSector(10, s.data()));
  EXPECT_FALSE(a.copyFrom(b, 5, 6));
  EXPECT_TRUE(b.copyFrom(a, 5, 5));
  EXPECT_FALSE(DriveContents::rangeEqual(a, b, 0, 11));
  EXPECT_TRUE(DriveContents::rangeEqual(a, b, 5, 5));
  EXPECT_TRUE(a.copyFrom(a, 0, 10));
  EXPECT_EQ(a.runCount(), 0u);
}

}  // namespace
}  // namespace raidmon::emu
