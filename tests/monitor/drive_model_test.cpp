#include "monitor/drive_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "monitor/mode_tree.h"

namespace raidmon {
namespace {

struct ConfigBuilder {
  ControlPacket p;
  ConfigBuilder& entry(int card, int pos, std::uint8_t kind, std::uint8_t id, std::uint8_t member) {
    const std::size_t off = kCfgEntries + 3 * static_cast<std::size_t>(entryIndex(card, pos));
    p.setData8(off, kind);
    p.setData8(off + 1, id);
    p.setData8(off + 2, member);
    return *this;
  }
  // Stores the model text in ATA order (bytes of each word swapped).
  ConfigBuilder& model(int card, int pos, std::string_view text, std::uint32_t sectors = 0) {
    const std::size_t base = kCfgIdentity + kIdentitySize * static_cast<std::size_t>(entryIndex(card, pos));
    std::array<char, 40> t{};
    std::fill(t.begin(), t.end(), ' ');
    std::memcpy(t.data(), text.data(), std::min<std::size_t>(40, text.size()));
    for (std::size_t i = 0; i < 40; i += 2) {
      p.setData8(base + 40 + i, static_cast<std::uint8_t>(t[i + 1]));
      p.setData8(base + 41 + i, static_cast<std::uint8_t>(t[i]));
    }
    p.setData32(base + 80, sectors);
    return *this;
  }
  ConfigBuilder& capacity(int i, std::uint32_t v) {
    p.setData32(kCfgCapacity + 4 * static_cast<std::size_t>(i), v);
    return *this;
  }
};

std::vector<std::uint8_t> slots(const ArrayRecord& r) {
  return {r.memberSlots.begin(), r.memberSlots.end()};
}

TEST(ConfigParseTest, MirrorAndSingleWithIdsAboveZero) {
  ConfigBuilder b;
  // Ids start above 0 on every entry, so no card scan meets an id of 0.
  for (int c = 1; c <= 4; ++c)
    for (int p = 1; p <= 4; ++p) b.entry(c, p, 0, 50, 0);
  b.entry(1, 1, kKindRaid1, 7, 0).entry(1, 2, kKindRaid1, 7, 1).entry(1, 3, kKindSingle, 9, 0);
  b.capacity(0, 160000000).capacity(1, 999);
  b.model(1, 1, "Maxtor 6Y080L0", 160086528).model(1, 2, "Maxtor 6Y080L0").model(1, 3, "ST380021A");
  DriveModel m;
  std::uint8_t cards = 0;
  m.parseConfiguration(b.p, {true}, cards);
  EXPECT_EQ(m.highestArray(), 1);
  EXPECT_EQ(m.array(0).kind, kKindRaid1);
  EXPECT_EQ(m.array(0).size, 160000000u);
  EXPECT_EQ(slots(m.array(0)), (std::vector<std::uint8_t>{0, 1, 9, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(m.array(0).memberCard[1], 1);
  EXPECT_EQ(m.array(0).memberPosition[1], 1);
  EXPECT_EQ(m.array(0).memberIdentity[0].model().substr(0, 14), "Maxtor 6Y080L0");
  EXPECT_EQ(m.array(0).memberIdentity[0].totalSectors(), 160086528u);
  EXPECT_EQ(m.array(1).kind, kKindSingle);
  EXPECT_EQ(m.array(1).size, 0u);  // single drives take no capacity value
  EXPECT_EQ(m.array(1).memberIdentity[0].model().substr(0, 9), "ST380021A");
  EXPECT_EQ(cards, 1);
  EXPECT_EQ(m.receivedEntries()[0].array, 7);  // kept as received
}

TEST(ConfigParseTest, ZeroPairOfModelTextIsLeftAsReceived) {
  ConfigBuilder b;
  b.entry(1, 1, kKindSingle, 0, 0).model(1, 1, "AB");
  const std::size_t base = kCfgIdentity + 40;
  b.p.setData8(base + 2, 0);  // second word: first byte zero
  b.p.setData8(base + 3, 'x');
  DriveModel m;
  std::uint8_t cards = 0;
  m.parseConfiguration(b.p, {}, cards);
  const std::string model = m.array(0).memberIdentity[0].model();
  EXPECT_EQ(model[0], 'A');
  EXPECT_EQ(model[1], 'B');
  EXPECT_EQ(model[2], '\0');
  EXPECT_EQ(model[3], 'x');
}

TEST(ConfigParseTest, NumbersFollowFirstAppearanceWhateverTheIds) {
  ConfigBuilder b;
  // Array id 1 is met before array id 0: both arrays are kept, in that order.
  b.entry(1, 1, kKindRaid1, 1, 0).entry(1, 2, kKindRaid1, 1, 1);
  b.entry(2, 1, 7, 0, 0).entry(2, 2, 7, 0, 1);
  // Two single drives with the same id are two arrays.
  b.entry(3, 1, kKindSingle, 5, 0).entry(3, 2, kKindSingle, 5, 0);
  DriveModel m;
  std::uint8_t cards = 0;
  m.parseConfiguration(b.p, {true}, cards);
  EXPECT_EQ(m.highestArray(), 3);
  EXPECT_EQ(m.array(0).kind, kKindRaid1);
  EXPECT_EQ(m.array(1).kind, 7);
  EXPECT_EQ(m.array(1).memberCount(), 2);
  EXPECT_EQ(m.array(2).memberCard[0], 3);
  EXPECT_EQ(m.array(3).memberCard[0], 3);
  EXPECT_EQ(m.array(3).memberPosition[0], 1);
  EXPECT_EQ(cards, 3);  // the highest card with a drive, decided once
}

TEST(ConfigParseTest, CardCountRuleThreeOnlyWhenAsked) {
  ConfigBuilder b;
  b.entry(2, 4, kKindSingle, 0, 0);
  DriveModel m;
  std::uint8_t cards = 1;
  m.parseConfiguration(b.p, {false}, cards);
  EXPECT_EQ(cards, 1);
  m.parseConfiguration(b.p, {true}, cards);
  EXPECT_EQ(cards, 2);
  ConfigBuilder empty;
  m.parseConfiguration(empty.p, {true}, cards);
  EXPECT_EQ(cards, 2);  // no configured drive: stays
}

TEST(ConfigParseTest, RecordsStartAfreshAtEveryParse) {
  ConfigBuilder first;
  first.entry(1, 1, kKindRaid1, 0, 0).entry(1, 2, kKindRaid1, 0, 1).capacity(0, 1000);
  DriveModel m;
  std::uint8_t cards = 0;
  m.parseConfiguration(first.p, {}, cards);
  EXPECT_EQ(m.array(0).size, 1000u);
  ConfigBuilder second;
  second.entry(1, 3, kKindRaid1, 0, 0).entry(1, 4, kKindRaid1, 0, 1).capacity(0, 2000);
  m.parseConfiguration(second.p, {}, cards);
  EXPECT_EQ(m.array(0).size, 2000u);
  EXPECT_EQ(m.array(0).memberPosition[0], 2);
  EXPECT_EQ(m.array(0).memberPosition[1], 3);

}

TEST(ConfigParseTest, EntriesOutsideTheTablesAreSkipped) {
  ConfigBuilder b;
  b.entry(1, 1, kKindRaid1, 0, 8);  // member index past the 8 slots
  b.entry(1, 2, kKindSingle, 0, 200);
  std::vector<std::string> notes;
  DriveModel m;
  std::uint8_t cards = 0;
  m.parseConfiguration(b.p, {true}, cards, [&](std::string_view n) { notes.emplace_back(n); });
  EXPECT_EQ(notes.size(), 2u);
  EXPECT_EQ(m.array(0).kind, 0);
  EXPECT_EQ(cards, 0);

  // Seventeen single drives cannot exist; sixteen arrays fill the table exactly.
  ConfigBuilder full;
  for (int c = 1; c <= 4; ++c)
    for (int p = 1; p <= 4; ++p) full.entry(c, p, kKindSingle, static_cast<std::uint8_t>(c * 4 + p), 0);
  m.parseConfiguration(full.p, {}, cards);
  EXPECT_EQ(m.highestArray(), 15);
}

TEST(ConfigParseTest, CapacityListTakenInOrderByMirroredArraysOnly) {
  ConfigBuilder b;
  b.entry(1, 1, 2, 0, 0).entry(1, 2, 2, 0, 1);                  // RAID 0: no capacity
  b.entry(1, 3, kKindRaid1, 1, 0).entry(1, 4, kKindRaid1, 1, 1);
  for (int p = 1; p <= 4; ++p) b.entry(2, p, kKindRaid01Four, 2, static_cast<std::uint8_t>(p - 1));
  b.capacity(0, 111).capacity(1, 222);
  DriveModel m;
  std::uint8_t cards = 0;
  m.parseConfiguration(b.p, {}, cards);
  EXPECT_EQ(m.array(0).size, 0u);
  EXPECT_EQ(m.array(1).size, 111u);
  EXPECT_EQ(m.array(2).size, 222u);
  EXPECT_EQ(m.array(2).memberCount(), 4);
}

// A mirror loses member 0; the empty entry the controller then sends for it carries the
// array's id. Whether it stands before or after the kept partner, it is cleared alike.
TEST(ConfigParseTest, RemovedMirrorMemberIsClearedBeforeOrAfterItsPartner) {
  struct Layout {
    int removedPos, keptPos;
  };
  std::vector<std::vector<std::string>> trees;
  for (const Layout l : {Layout{1, 2}, Layout{2, 1}}) {
    SCOPED_TRACE(l.removedPos);
    ConfigBuilder before;
    before.entry(1, l.removedPos, kKindRaid1, 0, 0).entry(1, l.keptPos, kKindRaid1, 0, 1);
    before.model(1, l.removedPos, "GONE").model(1, l.keptPos, "KEPT").capacity(0, 500);
    ConfigBuilder after;  // the removed position comes back as an empty entry, id 0
    after.entry(1, l.keptPos, kKindRaid1, 0, 1).model(1, l.keptPos, "KEPT").capacity(0, 500);
    DriveModel m;
    std::uint8_t cards = 0;
    m.parseConfiguration(before.p, {}, cards);
    m.resetHighestArray();
    m.parseConfiguration(after.p, {}, cards);

    const PositionEntry removed = m.modelPositions()[static_cast<std::size_t>(entryIndex(1, l.removedPos))];
    EXPECT_EQ(removed.kind, 0);
    EXPECT_EQ(removed.array, 0);
    EXPECT_EQ(removed.member, 0);
    EXPECT_FALSE(m.memberAt(entryIndex(1, l.removedPos)));
    ASSERT_EQ(m.highestArray(), 0);
    const ArrayRecord& rec = m.array(0);
    EXPECT_EQ(rec.kind, kKindRaid1);
    EXPECT_EQ(rec.memberCard[0], 0) << "slot 0 names no drive";
    EXPECT_EQ(rec.memberCard[1], 1);
    EXPECT_EQ(rec.memberPosition[1], l.keptPos - 1);
    ModeTree tree;
    tree.fill(m);
    std::vector<std::string> labels;
    for (const auto& node : tree.nodes()) labels.push_back(node.label.substr(0, 4));
    trees.push_back(labels);
  }
  EXPECT_EQ(trees[0], trees[1]);
}

// A single drive pulled from beside a mirror: its stale entry must not land in the
// mirror's record, although its old working number is the mirror's number.
TEST(ConfigParseTest, EntryReceivedEmptyNeverOverwritesALiveMember) {
  ConfigBuilder before;
  before.entry(1, 1, kKindRaid1, 5, 0).entry(1, 2, kKindRaid1, 5, 1).entry(1, 3, kKindSingle, 6, 0);
  before.model(1, 1, "PM").model(1, 2, "PS").model(1, 3, "SM").capacity(0, 77);
  ConfigBuilder after;  // SM pulled: the driver lists it as an all-zero entry
  after.entry(1, 1, kKindRaid1, 5, 0).entry(1, 2, kKindRaid1, 5, 1);
  after.model(1, 1, "PM").model(1, 2, "PS").capacity(0, 77);
  DriveModel m;
  std::uint8_t cards = 0;
  m.parseConfiguration(before.p, {}, cards);
  ASSERT_EQ(m.highestArray(), 1);
  m.resetHighestArray();
  m.parseConfiguration(after.p, {}, cards);
  EXPECT_EQ(m.highestArray(), 0);
  const ArrayRecord& rec = m.array(0);
  EXPECT_EQ(rec.kind, kKindRaid1);
  EXPECT_EQ(slots(rec), (std::vector<std::uint8_t>{0, 1, 9, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rec.memberPosition[0], 0);
  EXPECT_EQ(rec.memberPosition[1], 1);
  EXPECT_EQ(rec.memberIdentity[0].model().substr(0, 2), "PM");
  EXPECT_EQ(m.modelPositions()[2].kind, 0);
  EXPECT_FALSE(m.memberAt(2));
}

// A single drive that carries a mirror's id stays an array of its own on either side
// of the mirror's first drive; the mirror keeps its kind.
TEST(ConfigParseTest, SingleDriveWithAnArraysIdStaysOnItsOwn) {
  for (int singlePos : {1, 4}) {
    SCOPED_TRACE(singlePos);
    ConfigBuilder b;
    b.entry(1, singlePos, kKindSingle, 3, 0);
    b.entry(1, 2, kKindRaid1, 3, 0).entry(1, 3, kKindRaid1, 3, 1);
    DriveModel m;
    std::uint8_t cards = 0;
    m.parseConfiguration(b.p, {}, cards);
    ASSERT_EQ(m.highestArray(), 1);
    const int mirror = singlePos == 1 ? 1 : 0;
    EXPECT_EQ(m.array(mirror).kind, kKindRaid1);
    EXPECT_EQ(m.array(mirror).memberCount(), 2);
    EXPECT_EQ(m.array(1 - mirror).kind, kKindSingle);
    EXPECT_EQ(m.array(1 - mirror).memberPosition[0], singlePos - 1);
  }
}

// Random whole numbers in [lo, hi], the same sequence on every run.
struct Picker {
  std::mt19937 rng{20240613};
  int operator()(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
};

// Random ids and members on every entry, `drives` random drives of random kinds.
ConfigBuilder randomBlock(Picker& pick, int drives) {
  ConfigBuilder b;
  for (int e = 0; e < kEntries; ++e) {
    b.entry(e / 4 + 1, e % 4 + 1, 0, static_cast<std::uint8_t>(pick(0, 6)), static_cast<std::uint8_t>(pick(0, 3)));
  }
  for (int k = 0; k < drives; ++k) {
    const int e = pick(0, kEntries - 1);
    const int kind = pick(0, 3) == 0 ? kKindSingle : pick(2, 10);
    b.entry(e / 4 + 1, e % 4 + 1, static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(pick(0, 6)),
            static_cast<std::uint8_t>(pick(0, 3)));
    b.model(e / 4 + 1, e % 4 + 1, "DRIVE " + std::to_string(e), static_cast<std::uint32_t>(pick(1, 1000)));
  }
  for (int i = 0; i < kCapacityValues; ++i) b.capacity(i, static_cast<std::uint32_t>(pick(1, 9999)));
  return b;
}

PositionEntry entryOf(const ConfigBuilder& b, int e) {
  const std::size_t off = kCfgEntries + 3 * static_cast<std::size_t>(e);
  return PositionEntry{b.p.data8(off), b.p.data8(off + 1), b.p.data8(off + 2)};
}

std::vector<std::string> treeOf(DriveModel& m) {
  ModeTree tree;
  tree.fill(m);
  std::vector<std::string> out;
  for (const auto& n : tree.nodes()) {
    out.push_back(n.label + "|" + std::to_string(n.parent) + "|" + std::to_string(n.array) + "|" +
                  std::to_string(n.slot));
  }
  return out;
}

// Two blocks alike but for an empty entry carrying the id of an array of more than one
// drive kind: at entry i (before the array's first drive, at `first`) in `a`, at entry
// j (after it) in `b`; the entry it changes places with fills the other spot.
struct MovedEntry {
  ConfigBuilder a, b;
  int i, j, first;
};

std::optional<MovedEntry> moveEmptyEntry(Picker& pick, ConfigBuilder a) {
  int first = -1;
  for (int e = 0; e < kEntries && first < 0; ++e) {
    const PositionEntry x = entryOf(a, e);
    if (x.kind != 0 && x.kind != kKindSingle) first = e;
  }
  if (first < 0) return std::nullopt;
  const std::uint8_t id = entryOf(a, first).array;
  std::vector<int> before, after;
  for (int e = 0; e < kEntries; ++e) {
    if (entryOf(a, e).kind != 0) continue;
    (e < first ? before : after).push_back(e);
  }
  if (before.empty() || after.empty()) return std::nullopt;
  const int i = before[static_cast<std::size_t>(pick(0, static_cast<int>(before.size()) - 1))];
  const int j = after[static_cast<std::size_t>(pick(0, static_cast<int>(after.size()) - 1))];
  const std::uint8_t member = static_cast<std::uint8_t>(pick(0, 3));
  const PositionEntry filler = entryOf(a, j);
  ConfigBuilder b = a;
  a.entry(i / 4 + 1, i % 4 + 1, 0, id, member);
  b.entry(i / 4 + 1, i % 4 + 1, filler.kind, filler.array, filler.member);
  b.entry(j / 4 + 1, j % 4 + 1, 0, id, member);
  a.entry(j / 4 + 1, j % 4 + 1, filler.kind, filler.array, filler.member);
  return MovedEntry{a, b, i, j, first};
}

void expectSamePositions(const DriveModel& ma, const DriveModel& mb) {
  for (int e = 0; e < kEntries; ++e) {
    const PositionEntry x = ma.modelPositions()[static_cast<std::size_t>(e)];
    const PositionEntry y = mb.modelPositions()[static_cast<std::size_t>(e)];
    ASSERT_EQ(x.kind, y.kind) << "entry " << e;
    if (x.kind != 0) {
      ASSERT_EQ(x.array, y.array) << "entry " << e;
      ASSERT_EQ(x.member, y.member) << "entry " << e;
    }
  }
}

void expectSameArrays(DriveModel& ma, DriveModel& mb) {
  for (int n = 0; n <= ma.highestArray(); ++n) {
    const ArrayRecord& x = ma.array(n);
    const ArrayRecord& y = mb.array(n);
    ASSERT_EQ(x.kind, y.kind);
    ASSERT_EQ(x.size, y.size);
    ASSERT_EQ(x.memberSlots, y.memberSlots);
    ASSERT_EQ(x.memberCard, y.memberCard);
    ASSERT_EQ(x.memberPosition, y.memberPosition);
    for (int s = 0; s < kMaxMembers; ++s) {
      ASSERT_EQ(x.memberIdentity[static_cast<std::size_t>(s)].bytes,
                y.memberIdentity[static_cast<std::size_t>(s)].bytes);
    }
  }
  ASSERT_EQ(treeOf(ma), treeOf(mb));
}

// Every member slot in use names a drive received with a kind, mapped back to it.
void expectSlotsNameReceivedDrives(const DriveModel& m, const ConfigBuilder& block) {
  for (int n = 0; n <= m.highestArray(); ++n) {
    const ArrayRecord& rec = m.array(n);
    if (rec.kind == 0) continue;
    for (int s = 0; s < kMaxMembers; ++s) {
      const int card = rec.memberCard[static_cast<std::size_t>(s)];
      if (card == 0) continue;
      const int e = entryIndex(card, rec.memberPosition[static_cast<std::size_t>(s)] + 1);
      ASSERT_NE(entryOf(block, e).kind, 0) << "array " << n << " slot " << s;
      ASSERT_EQ(m.modelPositions()[static_cast<std::size_t>(e)].array, n);
      ASSERT_EQ(m.modelPositions()[static_cast<std::size_t>(e)].member, s);
    }
  }
}

// Property: over random configuration blocks, each parsed after a random earlier block,
// moving an empty entry that carries an array's id from before the array's first drive
// to after it changes nothing the operator can see, and no entry received as kind 0
// ever takes a member slot.
TEST(ConfigParseProperty, EmptyEntryPlacementAndStaleEntriesDoNotMatter) {
  Picker pick;
  int compared = 0;
  for (int round = 0; round < 3000; ++round) {
    const ConfigBuilder previous = randomBlock(pick, pick(0, 16));
    const std::optional<MovedEntry> moved = moveEmptyEntry(pick, randomBlock(pick, pick(1, 10)));
    if (!moved) continue;
    const auto& [a, b, i, j, first] = *moved;

    DriveModel ma, mb;
    std::uint8_t ca = 0, cb = 0;
    for (auto [m, c, block] : {std::tuple{&ma, &ca, &a}, std::tuple{&mb, &cb, &b}}) {
      m->parseConfiguration(previous.p, {true}, *c);
      m->resetHighestArray();
      m->parseConfiguration(block->p, {true}, *c);
    }
    SCOPED_TRACE("round " + std::to_string(round));
    ++compared;
    ASSERT_EQ(ma.highestArray(), mb.highestArray());
    ASSERT_EQ(ca, cb);
    ASSERT_NO_FATAL_FAILURE(expectSamePositions(ma, mb));
    // The moved entry takes its array's number on either side.
    ASSERT_EQ(ma.modelPositions()[static_cast<std::size_t>(i)].array,
              mb.modelPositions()[static_cast<std::size_t>(j)].array);
    ASSERT_EQ(ma.modelPositions()[static_cast<std::size_t>(i)].array,
              ma.modelPositions()[static_cast<std::size_t>(first)].array);
    ASSERT_NO_FATAL_FAILURE(expectSameArrays(ma, mb));
    ASSERT_NO_FATAL_FAILURE(expectSlotsNameReceivedDrives(ma, a));
    ASSERT_NO_FATAL_FAILURE(expectSlotsNameReceivedDrives(mb, b));
  }
  EXPECT_GT(compared, 1000);
}

TEST(ConfigParseTest, MemberLookupOnlyFindsThePositionsOwnSlot) {
  ConfigBuilder b;  // two drives claim member 0 of one mirror: the later one holds the slot
  b.entry(1, 1, kKindRaid1, 0, 0).entry(1, 2, kKindRaid1, 0, 0).entry(1, 3, kKindRaid1, 0, 1);
  DriveModel m;
  std::uint8_t cards = 0;
  m.parseConfiguration(b.p, {}, cards);
  EXPECT_FALSE(m.memberAt(entryIndex(1, 1)));
  ASSERT_TRUE(m.memberAt(entryIndex(1, 2)));
  EXPECT_EQ(m.memberAt(entryIndex(1, 2))->slot, 0);
  EXPECT_EQ(m.memberAt(entryIndex(1, 3))->slot, 1);
  EXPECT_FALSE(m.memberAt(entryIndex(1, 4)));
}

TEST(DecodeTablesTest, FlashChipNames) {
  struct Case {
    std::uint8_t maker, device;
    const char* name;  // nullptr: keep the label
  };
  const Case cases[] = {
      {0x01, 0x20, "AMD(AM29F010B)"}, {0x01, 0x21, nullptr},
      {0x1F, 0x01, "Atmel(AT29C512)"}, {0x1F, 0x99, "Atmel(AT29LV512)"},
      {0x40, 0x00, "SyncMOS(F29C51001T)"}, {0xC2, 0x11, "MXIC(29F001B)"},
      {0xDA, 0xC1, "Winbond(W29C010)"}, {0xDA, 0xC2, nullptr},
      {0x00, 0x00, "No BIOS"}, {0xFF, 0x20, "No BIOS"},
  };
  for (const Case& c : cases) {
    const auto name = flashChipName(c.maker, c.device);
    if (c.name) {
      ASSERT_TRUE(name) << int(c.maker);
      EXPECT_EQ(*name, c.name);
    } else {
      EXPECT_FALSE(name) << int(c.maker);
    }
  }
}

TEST(DecodeTablesTest, ModeNamesAndTreeImages) {
  EXPECT_FALSE(modeName(0));
  EXPECT_FALSE(modeName(10));
  EXPECT_EQ(modeName(4)->text, "RAID1");
  EXPECT_EQ(modeName(6)->text, "RAID 0+1");
  EXPECT_EQ(modeName(9)->image, NodeImage::Disc);
  EXPECT_EQ(modeName(1)->image, NodeImage::Array);
}

TEST(ModeTreeTest, NodeIndexesWrittenBackAndMemberLookup) {
  ConfigBuilder b;
  b.entry(1, 1, kKindRaid1, 0, 0).entry(1, 2, kKindRaid1, 0, 1).entry(2, 1, kKindAtapi, 1, 0);
  b.model(1, 1, "DISK A").model(1, 2, "DISK B").model(2, 1, "CDROM");
  DriveModel m;
  std::uint8_t cards = 0;
  m.parseConfiguration(b.p, {}, cards);
  ModeTree tree;
  tree.fill(m);
  ASSERT_EQ(tree.nodes().size(), 5u);
  EXPECT_EQ(tree.nodes()[0].label, "RAID1");
  EXPECT_EQ(tree.nodes()[2].label.size(), 40u);
  EXPECT_EQ(tree.nodes()[3].label, "ATAPI");
  EXPECT_EQ(tree.nodes()[3].image, NodeImage::Disc);
  EXPECT_EQ(tree.nodes()[3].selectedImage, NodeImage::Array);
  EXPECT_EQ(m.array(1).arrayNodeIndex, 3);
  EXPECT_EQ(m.array(0).memberNodeIndex[1], 2);
  EXPECT_EQ(tree.memberNode(1, 0), 4);
  EXPECT_EQ(tree.memberNode(5, 0), -1);
  EXPECT_FALSE(tree.setImages(9, NodeImage::MemberAttention));
}

TEST(CountCardsTest, CardsWithAPresentDrive) {
  DisplayTables t;
  EXPECT_EQ(countCards(t), 0);
  t.I_Here[entryIndex(1, 4)] = 1;
  t.I_Here[entryIndex(3, 1)] = 1;
  t.I_Here[entryIndex(4, 2)] = 2;  // only exactly 1 counts
  EXPECT_EQ(countCards(t), 2);
}

}  // namespace
}  // namespace raidmon
