// The scenario parser: what a scenario builds, and every kind of bad input giving an
// error with its line number instead of a crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "emulator/controller.h"
#include "emulator/scenario_parser.h"
#include "protocol/byte_order.h"

namespace raidmon::emu {
namespace {

std::filesystem::path sourceRoot() { return RAIDMON_SOURCE_DIR; }

TEST(DefaultScenario, ShippedFileEqualsTheCompiledInText) {
  std::ifstream in(sourceRoot() / "emulator/scenarios/default.scn", std::ios::binary);
  ASSERT_TRUE(in) << "default.scn not found beside the sources";
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(ss.str(), defaultScenarioText());
  const ScenarioParse f = loadScenarioFile((sourceRoot() / "emulator/scenarios/default.scn").string());
  EXPECT_TRUE(f.has_value()) << f.error().line << ": " << f.error().message;
}

TEST(DefaultScenario, DescribesTwoCardsWithAMirrorASingleDriveAndARaid01Set) {
  const ScenarioParse p = parseScenario(defaultScenarioText());
  ASSERT_TRUE(p.has_value()) << p.error().line << ": " << p.error().message;
  Controller c(p.value());
  const auto cfg = c.configBlock();
  struct Want {
    int card, pos, kind, id, member;
  } wants[] = {{1, 1, 4, 0, 0}, {1, 2, 4, 0, 1}, {1, 3, 1, 1, 0}, {1, 4, 0, 0, 0},
               {2, 1, 5, 2, 0}, {2, 2, 5, 2, 1}, {2, 3, 5, 2, 2}, {2, 4, 5, 2, 3},
               {3, 1, 0, 0, 0}, {4, 4, 0, 0, 0}};
  for (const Want& w : wants) {
    const std::size_t e = 48 + 3 * static_cast<std::size_t>(entryIndex(w.card, w.pos));
    EXPECT_EQ(cfg[e], w.kind) << w.card << "." << w.pos;
    EXPECT_EQ(cfg[e + 1], w.id) << w.card << "." << w.pos;
    EXPECT_EQ(cfg[e + 2], w.member) << w.card << "." << w.pos;
    const std::uint32_t sectors = loadLe32(cfg.data() + 256 + 96 * entryIndex(w.card, w.pos) + 80);
    EXPECT_EQ(sectors != 0, w.kind != 0) << w.card << "." << w.pos;
  }
  EXPECT_EQ(loadLe32(cfg.data() + 16), 156301488u);
  EXPECT_EQ(loadLe32(cfg.data() + 20), 156301488u);
  EXPECT_EQ(cfg[1793], 0x40);
  ASSERT_EQ(c.ports().size(), 3u);
  EXPECT_EQ(c.ports()[0].role, PortRole::Foreign);
  EXPECT_EQ(c.ports()[1].deviceName, "\\Device\\tavrixRX0");
  EXPECT_EQ(c.ports()[2].deviceName, "\\Device\\tavrixRX1");
  EXPECT_EQ(c.aspiAdapter(), 1);
  // Every model text fills its 40 bytes with printable characters.
  for (int i : {0, 1, 2, 4, 5, 6, 7}) {
    for (std::size_t k = 0; k < 40; ++k) {
      const std::uint8_t ch = cfg[256 + 96 * static_cast<std::size_t>(i) + 40 + k];
      ASSERT_TRUE(ch >= 0x20 && ch < 0x7F) << i;
    }
  }
}

TEST(ScenarioParser, AcceptsCommentsBlankLinesCrLfAndHashInsideQuotes) {
  const ScenarioParse p = parseScenario(
      "# heading\r\n\r\n   \t\ndrive 1.1 model \"A#1\" serial \"S 1\" sectors 0x10 # trailing\r\n"
      "at 7 fail-transfer 5 at 1024 mode zero\n"
      "fail-transfer 1 mode false\n"
      "refuse-rebuild\nrefuse-rebuild 3 code 0xFF\nbad-checksum 2\n");
  ASSERT_TRUE(p.has_value()) << p.error().line << ": " << p.error().message;
  const Scenario& s = p.value();
  ASSERT_EQ(s.drives.size(), 1u);
  EXPECT_EQ(s.drives[0].identity.model, "A#1");
  EXPECT_EQ(s.drives[0].identity.serial, "S 1");
  EXPECT_EQ(s.drives[0].identity.totalSectors, 16u);
  ASSERT_EQ(s.timeline.size(), 1u);
  EXPECT_EQ(s.timeline[0].tick, 7u);
  EXPECT_EQ(s.timeline[0].event.kind, EventKind::FailTransfer);
  EXPECT_EQ(s.timeline[0].event.value, 5u);
  EXPECT_EQ(s.timeline[0].event.sector, 1024u);
  EXPECT_EQ(s.timeline[0].event.failMode, TransferFailMode::ReturnCodeZero);
  ASSERT_EQ(s.initialEvents.size(), 4u);
  EXPECT_FALSE(s.initialEvents[0].sector);
  EXPECT_EQ(s.initialEvents[1].value, 1u);   // refuse once
  EXPECT_EQ(s.initialEvents[1].value2, 0u);  // with 0
  EXPECT_EQ(s.initialEvents[2].value, 3u);
  EXPECT_EQ(s.initialEvents[2].value2, 0xFFu);
  EXPECT_EQ(s.initialEvents[3].value, 2u);
}

TEST(ScenarioParser, GeneralFaults) {
  const ScenarioParse p = parseScenario(
      "fail 0x80018004 5 at 4096 mode zero\nfail 0x10 1 at 640 skip 2 mode stall ms 20\nat 3 fail 0x40 2\n");
  ASSERT_TRUE(p.has_value()) << p.error().line << ": " << p.error().message;
  const auto& e = p.value().initialEvents;
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].kind, EventKind::Fail);
  EXPECT_EQ(e[0].value, 0x80018004u);
  EXPECT_EQ(e[0].value2, 5u);
  EXPECT_EQ(e[0].sector, 4096u);
  EXPECT_EQ(e[0].failMode, FaultMode::ReturnCodeZero);
  EXPECT_EQ(e[1].value, 0x10u);
  EXPECT_EQ(e[1].skip, 2u);
  EXPECT_EQ(e[1].failMode, FaultMode::Stall);
  EXPECT_EQ(e[1].stallMs, 20u);
  ASSERT_EQ(p.value().timeline.size(), 1u);
  EXPECT_EQ(p.value().timeline[0].event.failMode, FaultMode::TransportFalse);
  EXPECT_FALSE(p.value().timeline[0].event.sector);
}

// A drive line that parses, for the cases that need a drive declared first.
const std::string kOneDrive = "drive 1.1 model \"A\" sectors 100\n";

// Bad input, the line the error names, and a part of its reason.
struct BadInput {
  std::string text;
  int line;
  std::string_view reason;
};
const BadInput kBadInputs[] = {
    {"bogus 1", 1, "unknown command"},
    {"\n\ndrive 1.5 model \"x\" sectors 1", 3, "card.position"},
    {"drive 1.1 model \"x\"", 1, "sector count"},
    {"drive 1.1 sectors 5", 1, "needs a model"},
    {"drive 1.1 model \"x sectors 5", 1, "unterminated"},
    {"drive 1.1 model \"x\"sectors 5", 1, "blank expected"},
    {"drive 1.1 model x sectors 5", 1, "quoted model"},
    {"drive 1.1 model \"" + std::string(41, 'M') + "\" sectors 5", 1, "longer than 40"},
    {"drive 1.1 model \"x\" serial \"" + std::string(21, 'S') + "\" sectors 5", 1, "longer than 20"},
    {"drive 1.1 model \"x\" sectors 0", 1, "out of range"},
    {"drive 1.1 model \"x\" sectors 4294967296", 1, "out of range"},
    {"drive 1.1 model \"x\" sectors 99999999999999999999999", 1, "not a number"},
    {"drive 1.1 model \"x\" sectors 5 heads 65536", 1, "heads out of range"},
    {"drive 1.1 model \"x\" sectors 5 sectors 6", 1, "repeated"},
    {"drive 1.1 model \"x\" sectors 5 colour blue", 1, "unknown drive key"},
    {kOneDrive + kOneDrive, 2, "declared twice"},
    {"array 4 0 1.1", 1, "no drive declared at 1.1"},
    {kOneDrive + "array 10 0 1.1", 2, "kind out of range"},
    {kOneDrive + "array 4 255 1.1", 2, "id out of range"},
    {kOneDrive + "array 4 0", 2, "member expected"},
    {kOneDrive + "array 4 0 1.1\narray 4 1 1.1", 3, "already belongs"},
    {"entry 1.1 4 0", 1, "member index expected"},
    {"port 10 driver x", 1, "out of range"},
    {"port 1 owner x", 1, "driver or foreign"},
    {"port 1 driver", 1, "device name expected"},
    {"port 1 driver \\Device\\a\nport 1 foreign \\Device\\b", 2, "repeated"},
    {"port 1 driver " + std::string(201, 'n'), 1, "too long"},
    {"capacity", 1, "capacity value expected"},
    {"capacity 1 2 3 4 5 6 7 8 9", 1, "at most 8"},
    {"capacity 1\ncapacity 2", 2, "twice"},
    {"flash device 1", 1, "maker"},
    {"flash maker 0x100", 1, "out of range"},
    {"flash maker 1 maker 2", 1, "once each"},
    {"controller 1 2 3 4 5", 1, "expected"},
    {"aspi 1", 1, "target expected"},
    {kOneDrive + "at 0 pull 1.1", 2, "tick out of range"},
    {kOneDrive + "at 5", 2, "event expected"},
    {kOneDrive + "at 5 pull 1.4", 2, "no drive declared"},
    {kOneDrive + "at 5 pull 1.1 now", 2, "unexpected 'now'"},
    {"fail-transfer 2 at", 1, "sector expected"},
    {"fail-transfer 2 mode maybe", 1, "false or zero"},
    {"fail-transfer 0", 1, "out of range"},
    {"fail-transfer 2 mode stall", 1, "false or zero"},
    {"fail 0x80018002 1 at 5", 1, "at is for transfers"},
    {"fail 0x10 1 mode stuck", 1, "false, zero or stall"},
    {"fail 0x10 1 ms 5", 1, "ms goes with mode stall"},
    {"fail 0x10 1 mode stall ms 0", 1, "out of range"},
    {"fail 0x10", 1, "count expected"},
    {"fail-status 1000001", 1, "out of range"},
    {"refuse-rebuild code 1", 1, "means accept"},
    {"status-byte 100 1", 1, "out of range"},
    {"plug-byte 248 0", 1, "out of range"},
    {"plug-state 1.1 16", 1, "out of range"},
    {"rebuild 1.1 1.2", 1, "'from' expected"},
    {"rebuild-time 65536", 1, "out of range"},
    {"hotplug 1 3", 1, "channel out of range"},
    {"active 1.1 2", 1, "out of range"},
    {"rebuild-time 0x", 1, "not a number"},
    {"rebuild-time -1", 1, "not a number"},
    {"rebuild-time 0xG", 1, "not a number"},
    {"\"quoted\" 1", 1, "command expected"},
    {std::string("rebuild-time 1\x01"), 1, "unexpected character"},
    {std::string("drive 1.1 model \"\xC3\xA9\" sectors 1"), 1, "printable ASCII"},
    {std::string("rebuild-time 1\0", 15), 1, "unexpected character"},
    {"# ok\n" + std::string(513, '#'), 2, "longer than 512"},
};

TEST(ScenarioParser, BadInputGivesTheLineAndAReason) {
  for (const BadInput& k : kBadInputs) {
    const ScenarioParse p = parseScenario(k.text);
    EXPECT_FALSE(p.has_value()) << k.text;
    EXPECT_EQ(p.error().line, k.line) << k.text << " -> " << p.error().message;
    EXPECT_NE(p.error().message.find(k.reason), std::string::npos)
        << k.text << " -> " << p.error().message;
  }
}

TEST(ScenarioParser, SizeAndLineLimits) {
  std::string many;
  for (std::size_t i = 0; i < kMaxScenarioLines; ++i) many += "# line\n";
  EXPECT_TRUE(parseScenario(many).has_value());
  many += "# one too many\n";
  const ScenarioParse p = parseScenario(many);
  EXPECT_FALSE(p.has_value());
  EXPECT_EQ(p.error().line, static_cast<int>(kMaxScenarioLines) + 1);
  const ScenarioParse big = parseScenario(std::string(kMaxScenarioBytes + 1, '\n'));
  EXPECT_FALSE(big.has_value());
  EXPECT_EQ(big.error().line, 0);
}

TEST(ScenarioParser, MissingFileIsAnErrorNamingThePath) {
  const ScenarioParse p = loadScenarioFile("/nonexistent/dir/x.scn");
  EXPECT_FALSE(p.has_value());
  EXPECT_EQ(p.error().line, 0);
  EXPECT_NE(p.error().message.find("/nonexistent/dir/x.scn"), std::string::npos);
}

}  // namespace
}  // namespace raidmon::emu
