#include "monitor/array_info.h"

#include <gtest/gtest.h>

#include <cstring>

namespace raidmon {
namespace {

ArrayRecord record(std::uint8_t kind, std::initializer_list<std::uint32_t> sectors) {
  ArrayRecord r;
  r.kind = kind;
  int slot = 0;
  for (std::uint32_t s : sectors) {
    r.memberSlots[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(slot);
    r.memberCard[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(1 + slot / 4);
    r.memberPosition[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(slot % 4);
    storeLe32(&r.memberIdentity[static_cast<std::size_t>(slot)].bytes[80], s);
    ++slot;
  }
  r.memberSlots[static_cast<std::size_t>(slot)] = kSlotEnd;
  return r;
}

TEST(FormatSizeTest, DigitsCutNeverRounded) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {10000000000ULL, "10.0GB"},   {99999999999ULL, "99.9GB"},    {100000000000ULL, "100.0GB"},
      {137438953472ULL, "137.4GB"}, {999999999999ULL, "999.9GB"},  {1234567890ULL, "1.23GB"},
      {500000000ULL, "0.50GB"},     {9999999ULL, "0.00GB"},        {0ULL, "0.00GB"},
      {2000000000000ULL, "2000.0GB"}, {18446744073709551615ULL, "18446744073.7GB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatSizeGB(bytes), text) << bytes;
  EXPECT_EQ(FormatSizeGBSectors(156301488), "80.0GB");
}

TEST(ModeInfoTest, CapacitiesPerKind) {
  ArrayRecord raid0 = record(2, {80000000, 120000000});
  ModeInfo m = modeInfo(raid0);
  EXPECT_EQ(m.totalSize, " 81.9GB");  // the smaller member counts twice
  EXPECT_EQ(m.baseSize, " 40.9GB");
  EXPECT_EQ(m.order, " 2");

  ArrayRecord mirror = record(4, {156301488, 156301488});
  mirror.size = 156301488;
  mirror.number = 3;
  m = modeInfo(mirror);
  EXPECT_EQ(m.totalSize, " 80.0GB");
  EXPECT_EQ(m.physical, " 3");

  ArrayRecord stripes = record(6, {1, 1, 1, 1, 1, 1, 1, 1});
  stripes.size = 20000000;
  m = modeInfo(stripes);
  EXPECT_EQ(m.totalSize, " 40.9GB");
  EXPECT_EQ(m.baseSize, " 10.2GB");
  EXPECT_EQ(m.order, " 4");  // only slots 0..3 are counted

  ArrayRecord jbod = record(7, {20000000, 30000000});
  EXPECT_EQ(modeInfo(jbod).totalSize, " 25.6GB");

  ArrayRecord single = record(1, {0, 40000000});
  m = modeInfo(single);
  EXPECT_EQ(m.totalSize, " 20.4GB");  // first member with a non-zero size
  EXPECT_EQ(m.baseSize, m.totalSize);

  for (std::uint8_t kind : {8, 9}) {
    m = modeInfo(record(kind, {40000000}));
    EXPECT_EQ(m.totalSize, " None");
    EXPECT_EQ(m.baseSize, " None");
  }

  ArrayRecord empty;
  empty.kind = 1;
  empty.memberSlots = {9, 9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(modeInfo(empty).order, " 1");
}

TEST(ArrayLayoutTest, DiagramPerKind) {
  ArrayLayout l = arrayLayout(record(4, {1, 1}));
  EXPECT_EQ(l.rowLabel1.text, "RAID 1:");
  EXPECT_TRUE(l.boxes[0].visible);
  EXPECT_EQ(l.boxes[0].text, " Card 1 PM");
  EXPECT_EQ(l.boxes[4].text, " Card 1 PS");
  EXPECT_TRUE(l.arrows[0]);
  EXPECT_FALSE(l.arrows[1]);
  EXPECT_FALSE(l.rowLabel2.visible);
  EXPECT_TRUE(l.rowLabel2TextEmptied);

  l = arrayLayout(record(5, {1, 1, 1, 1}));
  EXPECT_TRUE(l.centres[0]);
  EXPECT_FALSE(l.centres[1]);
  EXPECT_EQ(l.boxes[5].text, " Card 1 SS");
  EXPECT_FALSE(l.boxes[2].visible);

  l = arrayLayout(record(6, {1, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(l.boxes[7].text, " Card 2 SS");
  EXPECT_TRUE(l.arrows[3]);
  EXPECT_TRUE(l.centres[1]);

  for (std::uint8_t kind : {1, 7, 8, 9}) {
    l = arrayLayout(record(kind, {1}));
    EXPECT_FALSE(l.rowLabel1.visible);
    EXPECT_FALSE(l.boxes[0].visible);
  }
  ArrayRecord odd = record(2, {1, 1});
  odd.memberPosition[1] = 7;
  EXPECT_EQ(arrayLayout(odd).boxes[1].text, " Card 1 ");
}

TEST(HddInfoTest, FieldsOfOneMember) {
  ArrayRecord r = record(4, {156301488, 1000});
  IdentityRecord& id = r.memberIdentity[1];
  storeLe16(&id.bytes[0], 16383);
  storeLe16(&id.bytes[2], 16);
  storeLe16(&id.bytes[4], 63);
  std::memcpy(&id.bytes[12], "  AB-12 34          ", 20);
  std::memset(&id.bytes[40], ' ', 40);
  std::memcpy(&id.bytes[40], "HALDEN", 6);
  id.bytes[88] = 0x3F;
  const HddInfo info = hddInfo(r, 1);
  EXPECT_EQ(info.card, " 1");
  EXPECT_EQ(info.channel, " Primary Slave");
  EXPECT_EQ(info.cylinders, " 16383");
  EXPECT_EQ(info.sectors, " 63");
  EXPECT_EQ(info.model.size(), 41u);
  EXPECT_EQ(info.serial, " AB-1234");
  EXPECT_EQ(info.size, " 0.00GB");
  EXPECT_EQ(info.udma, " UDMA 5");
  r.memberPosition[1] = 4;
  EXPECT_EQ(hddInfo(r, 1).channel, " ");

  EXPECT_EQ(udmaText(0x7F), " UDMA 6");
  EXPECT_EQ(udmaText(0x07), " UDMA 2");
  EXPECT_EQ(udmaText(0xFF), " UDMA 5");
  EXPECT_EQ(udmaText(0x40), std::nullopt);
  EXPECT_EQ(udmaText(0x00), std::nullopt);
}

}  // namespace
}  // namespace raidmon
