#include "emulator/scenario_parser.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <sstream>

#include "platform/input_file.h"
#include "protocol/control_packet.h"

namespace raidmon::emu {

namespace {

inline constexpr std::size_t kMaxDeviceNameLength = 200;
inline constexpr std::uint32_t kMaxCount = 1000000;
inline constexpr std::uint32_t kMaxTick = 0x7FFFFFFF;
inline constexpr std::size_t kMaxMembers = 8;

struct Token {
  std::string_view text;
  bool quoted = false;
};

// Splits one line into tokens: blanks separate, "..." makes one token, '#' outside
// quotes starts a comment. Returns an error message or an empty string.
std::string tokenize(std::string_view line, std::vector<Token>& out) {
  out.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == ' ' || c == '\t') {
      ++i;
      continue;
    }
    if (c == '#') break;
    if (c == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) return "unterminated quoted text";
      for (std::size_t k = i + 1; k < close; ++k) {
        const unsigned char q = static_cast<unsigned char>(line[k]);
        if (q < 0x20 || q > 0x7E) return "quoted text may hold printable ASCII only";
      }
      if (close + 1 < line.size() && line[close + 1] != ' ' && line[close + 1] != '\t') {
        return "blank expected after quoted text";
      }
      out.push_back({line.substr(i + 1, close - i - 1), true});
      i = close + 1;
      continue;
    }
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
      const unsigned char w = static_cast<unsigned char>(line[i]);
      if (w < 0x20 || w > 0x7E) return "unexpected character";
      if (w == '"') return "quote inside a word";
      ++i;
    }
    out.push_back({line.substr(start, i - start), false});
  }
  return {};
}

std::string quoteForMessage(std::string_view s) {
  constexpr std::size_t kShown = 40;
  std::string r = "'";
  r.append(s.substr(0, kShown));
  if (s.size() > kShown) r.append("...");
  r.push_back('\'');
  return r;
}

// Reads the tokens of one line in order; every getter reports a message on failure.
class Cursor {
 public:
  explicit Cursor(const std::vector<Token>& tokens, std::size_t start = 0)
      : tokens_(tokens), pos_(start) {}

  bool atEnd() const { return pos_ >= tokens_.size(); }
  const std::string& error() const { return error_; }
  bool failed() const { return !error_.empty(); }

  bool fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
  }

  std::optional<std::string_view> word(const char* what) {
    if (failed()) return std::nullopt;
    if (atEnd()) {
      fail(std::string(what) + " expected");
      return std::nullopt;
    }
    return tokens_[pos_++].text;
  }

  bool peekIs(std::string_view w) const {
    return !atEnd() && !tokens_[pos_].quoted && tokens_[pos_].text == w;
  }
  void skip() { ++pos_; }

  std::optional<std::string_view> quoted(const char* what, std::size_t maxLength) {
    if (failed()) return std::nullopt;
    if (atEnd() || !tokens_[pos_].quoted) {
      fail(std::string("quoted ") + what + " expected");
      return std::nullopt;
    }
    std::string_view t = tokens_[pos_++].text;
    if (t.size() > maxLength) {
      fail(std::string(what) + " longer than " + std::to_string(maxLength) + " characters");
      return std::nullopt;
    }
    return t;
  }

  // A decimal or 0x-hexadecimal number within [lo, hi].
  std::optional<std::uint64_t> number(const char* what, std::uint64_t lo, std::uint64_t hi) {
    if (failed()) return std::nullopt;
    if (atEnd() || tokens_[pos_].quoted) {
      fail(std::string(what) + " expected");
      return std::nullopt;
    }
    const std::string_view t = tokens_[pos_++].text;
    std::optional<std::uint64_t> v = parseUnsigned(t);
    if (!v) {
      fail(std::string(what) + ": not a number: " + quoteForMessage(t));
      return std::nullopt;
    }
    if (*v < lo || *v > hi) {
      fail(std::string(what) + " out of range (" + std::to_string(lo) + ".." +
           std::to_string(hi) + "): " + quoteForMessage(t));
      return std::nullopt;
    }
    return v;
  }

  // "card.position", each 1..4.
  std::optional<std::pair<int, int>> position(const char* what) {
    if (failed()) return std::nullopt;
    if (atEnd() || tokens_[pos_].quoted) {
      fail(std::string(what) + " (card.position) expected");
      return std::nullopt;
    }
    const std::string_view t = tokens_[pos_++].text;
    if (t.size() != 3 || t[1] != '.' || t[0] < '1' || t[0] > '4' || t[2] < '1' || t[2] > '4') {
      fail(std::string(what) + ": card.position with card and position 1..4 expected, got " +
           quoteForMessage(t));
      return std::nullopt;
    }
    return std::pair<int, int>{t[0] - '0', t[2] - '0'};
  }

  bool finish() {
    if (failed()) return false;
    if (!atEnd()) return fail("unexpected " + quoteForMessage(tokens_[pos_].text));
    return true;
  }

  static std::optional<std::uint64_t> parseUnsigned(std::string_view t) {
    unsigned base = 10;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
      base = 16;
      t.remove_prefix(2);
    }
    if (t.empty() || t.size() > 20) return std::nullopt;
    std::uint64_t v = 0;
    for (char ch : t) {
      unsigned d;
      if (ch >= '0' && ch <= '9') {
        d = static_cast<unsigned>(ch - '0');
      } else if (base == 16 && ch >= 'a' && ch <= 'f') {
        d = static_cast<unsigned>(ch - 'a' + 10);
      } else if (base == 16 && ch >= 'A' && ch <= 'F') {
        d = static_cast<unsigned>(ch - 'A' + 10);
      } else {
        return std::nullopt;
      }
      if (v > (std::numeric_limits<std::uint64_t>::max() - d) / base) return std::nullopt;
      v = v * base + d;
    }
    return v;
  }

 private:
  const std::vector<Token>& tokens_;
  std::size_t pos_;
  std::string error_;
};

// The keys of a drive line, each allowed once; model and sectors are required.
enum DriveKey : std::size_t {
  kDriveModel,
  kDriveSerial,
  kDriveSectors,
  kDriveCylinders,
  kDriveHeads,
  kDriveSpt,
  kDriveUdma,
  kDriveAbsent,
  kDriveKeyCount
};
constexpr std::array<std::string_view, kDriveKeyCount> kDriveKeyNames = {
    "model", "serial", "sectors", "cylinders", "heads", "spt", "udma", "absent"};
using DriveKeysSeen = std::array<bool, kDriveKeyCount>;

// Reads the value of one drive key into `d`. False when the line cannot go on: an
// unknown or repeated key, or a bad value (the cursor says which).
bool driveKey(Cursor& c, std::string_view key, DriveKeysSeen& seen, ScenarioDrive& d) {
  const auto* found = std::find(kDriveKeyNames.begin(), kDriveKeyNames.end(), key);
  if (found == kDriveKeyNames.end()) return c.fail("unknown drive key " + quoteForMessage(key));
  const auto k = static_cast<DriveKey>(found - kDriveKeyNames.begin());
  if (seen[k]) return c.fail("drive key repeated: " + std::string(key));
  seen[k] = true;
  switch (k) {
    case kDriveModel:
      if (auto v = c.quoted("model text", kIdModelSize)) d.identity.model = std::string(*v);
      break;
    case kDriveSerial:
      if (auto v = c.quoted("serial text", kIdSerialSize)) d.identity.serial = std::string(*v);
      break;
    case kDriveSectors:
      if (auto v = c.number("sectors", 1, 0xFFFFFFFFu)) d.identity.totalSectors = static_cast<std::uint32_t>(*v);
      break;
    case kDriveCylinders:
      if (auto v = c.number("cylinders", 0, 0xFFFF)) d.identity.cylinders = static_cast<std::uint16_t>(*v);
      break;
    case kDriveHeads:
      if (auto v = c.number("heads", 0, 0xFFFF)) d.identity.heads = static_cast<std::uint16_t>(*v);
      break;
    case kDriveSpt:
      if (auto v = c.number("spt", 0, 0xFFFF)) d.identity.sectorsPerTrack = static_cast<std::uint16_t>(*v);
      break;
    case kDriveUdma:
      if (auto v = c.number("udma", 0, 0xFF)) d.identity.udmaBits = static_cast<std::uint8_t>(*v);
      break;
    case kDriveAbsent:
      d.inserted = false;
      break;
    case kDriveKeyCount:  // not a key: never found
      break;
  }
  return !c.failed();
}

class Parser {
 public:
  ScenarioParse run(std::string_view text);

 private:
  bool line(const std::vector<Token>& tokens);
  bool portLine(Cursor& c);
  bool driveLine(Cursor& c);
  bool arrayLine(Cursor& c);
  bool entryLine(Cursor& c);
  bool capacityLine(Cursor& c);
  bool flashLine(Cursor& c);
  bool controllerLine(Cursor& c);
  bool aspiLine(Cursor& c);
  bool event(Cursor& c, std::string_view command, Event& e);
  bool faultOptions(Cursor& c, Event& e, bool general);
  bool needDrive(Cursor& c, std::pair<int, int> p);

  Scenario s_;
  std::array<bool, kPositionCount> hasDrive_{};
  std::array<bool, kPositionCount> inArray_{};
  bool capacitySeen_ = false;
  bool flashSeen_ = false;
  bool controllerSeen_ = false;
  std::string error_;
};

bool Parser::needDrive(Cursor& c, std::pair<int, int> p) {
  if (c.failed()) return false;
  if (!hasDrive_[entryIndex(p.first, p.second)]) {
    return c.fail("no drive declared at " + std::to_string(p.first) + "." +
                  std::to_string(p.second));
  }
  return true;
}

bool Parser::portLine(Cursor& c) {
  auto n = c.number("port number", 0, 9);
  auto role = c.word("port role (driver or foreign)");
  if (c.failed()) return false;
  ScenarioPort port;
  port.number = static_cast<int>(*n);
  if (*role == "driver") {
    port.role = PortRole::Driver;
  } else if (*role == "foreign") {
    port.role = PortRole::Foreign;
  } else {
    return c.fail("port role must be driver or foreign, got " + quoteForMessage(*role));
  }
  auto name = c.word("device name");
  if (!c.finish()) return false;
  if (name->size() > kMaxDeviceNameLength) return c.fail("device name too long");
  if (name->empty()) return c.fail("device name expected");
  for (const ScenarioPort& p : s_.ports) {
    if (p.number == port.number) return c.fail("port " + std::to_string(p.number) + " repeated");
  }
  port.deviceName = std::string(*name);
  s_.ports.push_back(std::move(port));
  return true;
}

bool Parser::driveLine(Cursor& c) {
  auto p = c.position("drive position");
  if (c.failed()) return false;
  const int idx = entryIndex(p->first, p->second);
  if (hasDrive_[idx]) return c.fail("drive at this position declared twice");
  ScenarioDrive d;
  d.card = p->first;
  d.position = p->second;
  DriveKeysSeen seen{};
  while (!c.atEnd() && !c.failed()) {
    auto key = c.word("drive key");
    if (!key || !driveKey(c, *key, seen, d)) break;
  }
  if (c.failed()) return false;
  if (!seen[kDriveModel]) return c.fail("drive needs a model");
  if (!seen[kDriveSectors]) return c.fail("drive needs a sector count");
  hasDrive_[idx] = true;
  s_.drives.push_back(std::move(d));
  return true;
}

bool Parser::arrayLine(Cursor& c) {
  auto kind = c.number("array kind", 1, 9);
  auto id = c.number("array id", 0, 254);
  if (c.failed()) return false;
  std::vector<std::pair<int, int>> members;
  while (!c.atEnd()) {
    auto p = c.position("array member");
    if (!p || !needDrive(c, *p)) return false;
    const int idx = entryIndex(p->first, p->second);
    if (inArray_[idx]) return c.fail("position already belongs to an array");
    if (members.size() == kMaxMembers) return c.fail("an array has at most 8 members");
    inArray_[idx] = true;
    members.push_back(*p);
  }
  if (members.empty()) return c.fail("array member expected");
  for (std::size_t m = 0; m < members.size(); ++m) {
    PositionEntry& e = s_.entries[entryIndex(members[m].first, members[m].second)];
    e.kind = static_cast<std::uint8_t>(*kind);
    e.arrayId = static_cast<std::uint8_t>(*id);
    e.memberIndex = static_cast<std::uint8_t>(m);
  }
  return true;
}

bool Parser::entryLine(Cursor& c) {
  auto p = c.position("entry position");
  auto kind = c.number("kind", 0, 255);
  auto id = c.number("array id", 0, 255);
  auto member = c.number("member index", 0, 255);
  if (!c.finish()) return false;
  const int idx = entryIndex(p->first, p->second);
  inArray_[idx] = true;
  s_.entries[idx] = {static_cast<std::uint8_t>(*kind), static_cast<std::uint8_t>(*id),
                     static_cast<std::uint8_t>(*member)};
  return true;
}

bool Parser::capacityLine(Cursor& c) {
  if (capacitySeen_) return c.fail("capacity given twice");
  capacitySeen_ = true;
  std::size_t n = 0;
  while (!c.atEnd()) {
    if (n == kCapacityCount) return c.fail("at most 8 capacity values");
    auto v = c.number("capacity", 0, 0xFFFFFFFFu);
    if (!v) return false;
    s_.capacity[n++] = static_cast<std::uint32_t>(*v);
  }
  if (n == 0) return c.fail("capacity value expected");
  return true;
}

bool Parser::flashLine(Cursor& c) {
  if (flashSeen_) return c.fail("flash given twice");
  flashSeen_ = true;
  bool maker = false, device = false;
  while (!c.atEnd() && !c.failed()) {
    auto key = c.word("flash key");
    if (*key == "maker" && !maker) {
      maker = true;
      if (auto v = c.number("maker code", 0, 0xFF)) s_.flashMaker = static_cast<std::uint8_t>(*v);
    } else if (*key == "device" && !device) {
      device = true;
      if (auto v = c.number("device code", 0, 0xFF)) {
        s_.flashDevice = static_cast<std::uint8_t>(*v);
      }
    } else {
      return c.fail("flash key must be maker or device (once each), got " + quoteForMessage(*key));
    }
  }
  if (c.failed()) return false;
  if (!maker) return c.fail("flash needs a maker code");
  return true;
}

bool Parser::controllerLine(Cursor& c) {
  if (controllerSeen_) return c.fail("controller given twice");
  controllerSeen_ = true;
  auto v0 = c.number("controller value", 0, 0xFFFFFFFFu);
  auto v4 = c.number("controller value", 0, 0xFFFF);
  std::array<std::uint8_t, 4> b{};
  for (auto& x : b) {
    if (auto v = c.number("controller byte", 0, 0xFF)) x = static_cast<std::uint8_t>(*v);
  }
  if (!c.finish()) return false;
  s_.controllerValue0 = static_cast<std::uint32_t>(*v0);
  s_.controllerValue4 = static_cast<std::uint16_t>(*v4);
  s_.controllerBytes9 = b;
  return true;
}

bool Parser::aspiLine(Cursor& c) {
  auto adapter = c.number("adapter", 0, 255);
  auto target = c.number("target", 0, 255);
  if (!c.finish()) return false;
  s_.aspiAdapter = static_cast<int>(*adapter);
  s_.aspiTarget = static_cast<int>(*target);
  return true;
}

// The options of a fault: [at V] and [mode false|zero], and for the general `fail`
// also [skip K], mode stall and [ms T]. The faulted code is in e.value (fail) or
// e.value2 (fail-transfer).
bool Parser::faultOptions(Cursor& c, Event& e, bool general) {
  const std::uint32_t code = general ? e.value : e.value2;
  bool seenAt = false, seenMode = false, seenMs = false, seenSkip = false;
  while (!c.atEnd() && !c.failed()) {
    if (c.peekIs("at") && !seenAt) {
      c.skip();
      seenAt = true;
      if (code != CTL_TRANSFER && code != FLASH_OP_10) {
        return c.fail("at is for transfers (a sector) and flash program 0x10 (a byte offset)");
      }
      if (auto v = c.number(general ? "at value" : "sector", 0, 0xFFFFFFFFu)) {
        e.sector = static_cast<std::uint32_t>(*v);
      }
    } else if (c.peekIs("mode") && !seenMode) {
      c.skip();
      seenMode = true;
      auto m = c.word(general ? "mode (false, zero or stall)" : "mode (false or zero)");
      if (m && *m == "false") {
        e.failMode = FaultMode::TransportFalse;
      } else if (m && *m == "zero") {
        e.failMode = FaultMode::ReturnCodeZero;
      } else if (m && *m == "stall" && general) {
        e.failMode = FaultMode::Stall;
      } else if (m) {
        return c.fail(std::string(general ? "mode must be false, zero or stall, got "
                                          : "mode must be false or zero, got ") +
                      quoteForMessage(*m));
      }
    } else if (general && c.peekIs("skip") && !seenSkip) {
      c.skip();
      seenSkip = true;
      if (auto v = c.number("skip count", 0, kMaxCount)) e.skip = static_cast<std::uint32_t>(*v);
    } else if (general && c.peekIs("ms") && !seenMs) {
      c.skip();
      seenMs = true;
      if (auto v = c.number("stall time", 1, 3600000)) e.stallMs = static_cast<std::uint32_t>(*v);
    } else {
      auto w = c.word("option");
      return c.fail("unexpected " + quoteForMessage(w.value_or("")));
    }
  }
  if (seenMs && e.failMode != FaultMode::Stall) return c.fail("ms goes with mode stall");
  return true;
}

bool Parser::event(Cursor& c, std::string_view command, Event& e) {
  auto pos = [&](const char* what) {
    auto p = c.position(what);
    if (p) {
      e.card = p->first;
      e.position = p->second;
    }
    return p;
  };
  if (command == "pull" || command == "insert") {
    e.kind = command == "pull" ? EventKind::Pull : EventKind::Insert;
    auto p = pos("drive position");
    if (!p || !needDrive(c, *p)) return false;
  } else if (command == "active" || command == "hot") {
    e.kind = command == "active" ? EventKind::SetActive : EventKind::SetHot;
    pos("drive position");
    if (auto v = c.number("value", 0, 1)) e.value = static_cast<std::uint32_t>(*v);
  } else if (command == "hotplug") {
    e.kind = EventKind::HotPlugMode;
    if (auto v = c.number("card", 1, 4)) e.card = static_cast<int>(*v);
    if (auto v = c.number("channel", 1, 2)) e.position = static_cast<int>(*v);
    e.value = 1;
    if (!c.atEnd()) {
      if (auto v = c.number("value", 0, 1)) e.value = static_cast<std::uint32_t>(*v);
    }
  } else if (command == "rebuild") {
    e.kind = EventKind::RebuildFlags;
    pos("target position");
    if (!c.failed() && !c.peekIs("from")) return c.fail("'from' expected");
    c.skip();
    if (auto p = c.position("source position")) {
      e.card2 = p->first;
      e.position2 = p->second;
    }
  } else if (command == "rebuild-clear") {
    e.kind = EventKind::RebuildClear;
  } else if (command == "rebuild-time") {
    e.kind = EventKind::RebuildTime;
    if (auto v = c.number("rebuild time", 0, 0xFFFF)) e.value = static_cast<std::uint32_t>(*v);
  } else if (command == "status-byte" || command == "plug-byte") {
    const bool status = command == "status-byte";
    e.kind = status ? EventKind::StatusByte : EventKind::PlugByte;
    if (auto v = c.number("offset", 0, (status ? kStatusBlockSize : kPlugBlockSize) - 1)) {
      e.value = static_cast<std::uint32_t>(*v);
    }
    if (auto v = c.number("byte", 0, 0xFF)) e.value2 = static_cast<std::uint32_t>(*v);
  } else if (command == "plug-state") {
    e.kind = EventKind::PlugState;
    pos("drive position");
    if (auto v = c.number("plug state", 0, 15)) e.value = static_cast<std::uint32_t>(*v);
  } else if (command == "fail-status") {
    e.kind = EventKind::FailStatus;
    if (auto v = c.number("count", 1, kMaxCount)) e.value = static_cast<std::uint32_t>(*v);
  } else if (command == "fail-send") {
    e.kind = EventKind::FailSend;
    if (auto v = c.number("control code", 0, 0xFFFFFFFFu)) e.value = static_cast<std::uint32_t>(*v);
    if (auto v = c.number("count", 1, kMaxCount)) e.value2 = static_cast<std::uint32_t>(*v);
  } else if (command == "fail-transfer") {
    e.kind = EventKind::FailTransfer;
    e.value2 = CTL_TRANSFER;
    if (auto v = c.number("count", 1, kMaxCount)) e.value = static_cast<std::uint32_t>(*v);
    if (!faultOptions(c, e, false)) return false;
  } else if (command == "refuse-rebuild") {
    e.kind = EventKind::RefuseRebuild;
    e.value = 1;
    e.value2 = 0;
    if (!c.atEnd() && !c.peekIs("code")) {
      if (auto v = c.number("count", 1, kMaxCount)) e.value = static_cast<std::uint32_t>(*v);
    }
    if (c.peekIs("code")) {
      c.skip();
      if (auto v = c.number("return code", 0, 0xFFFFFFFFu)) {
        if (*v == 1) return c.fail("return code 1 means accept; a refusal needs another value");
        e.value2 = static_cast<std::uint32_t>(*v);
      }
    }
  } else if (command == "fail") {
    // fail CODE N [at V] [skip K] [mode false|zero|stall] [ms T]
    e.kind = EventKind::Fail;
    if (auto v = c.number("control code", 0, 0xFFFFFFFFu)) e.value = static_cast<std::uint32_t>(*v);
    if (auto v = c.number("count", 1, kMaxCount)) e.value2 = static_cast<std::uint32_t>(*v);
    if (!faultOptions(c, e, true)) return false;
  } else if (command == "bad-checksum") {
    e.kind = EventKind::BadChecksum;
    e.value = 1;
    if (!c.atEnd()) {
      if (auto v = c.number("count", 1, kMaxCount)) e.value = static_cast<std::uint32_t>(*v);
    }
  } else {
    return c.fail("unknown command " + quoteForMessage(command));
  }
  return c.finish();
}

bool Parser::line(const std::vector<Token>& tokens) {
  if (tokens.empty()) return true;
  Cursor c(tokens, 1);
  if (tokens[0].quoted) {
    c.fail("command expected, got quoted text");
  } else {
    const std::string_view cmd = tokens[0].text;
    if (cmd == "port") {
      portLine(c);
    } else if (cmd == "drive") {
      driveLine(c);
    } else if (cmd == "array") {
      arrayLine(c);
    } else if (cmd == "entry") {
      entryLine(c);
    } else if (cmd == "capacity") {
      capacityLine(c);
    } else if (cmd == "flash") {
      flashLine(c);
    } else if (cmd == "controller") {
      controllerLine(c);
    } else if (cmd == "aspi") {
      aspiLine(c);
    } else if (cmd == "transfer-time") {
      auto micros = c.number("microseconds", 0, 1000000);
      if (c.finish()) s_.transferMicros = static_cast<std::uint32_t>(*micros);
    } else if (cmd == "at") {
      TimedEvent te;
      if (auto n = c.number("tick", 1, kMaxTick)) te.tick = static_cast<std::uint32_t>(*n);
      auto sub = c.word("event");
      if (sub && event(c, *sub, te.event)) s_.timeline.push_back(te);
    } else {
      Event e;
      if (event(c, cmd, e)) s_.initialEvents.push_back(e);
    }
  }
  if (c.failed()) {
    error_ = c.error();
    return false;
  }
  return true;
}

ScenarioParse Parser::run(std::string_view text) {
  using Refused = Unexpected<ScenarioError>;
  if (text.size() > kMaxScenarioBytes) {
    return Refused({0, "scenario larger than " + std::to_string(kMaxScenarioBytes) + " bytes"});
  }
  std::vector<Token> tokens;
  std::size_t lineNo = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view ln = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (lineNo > kMaxScenarioLines) {
      return Refused({static_cast<int>(lineNo),
                      "more than " + std::to_string(kMaxScenarioLines) + " lines"});
    }
    if (!ln.empty() && ln.back() == '\r') ln.remove_suffix(1);
    std::string err;
    if (ln.size() > kMaxScenarioLineLength) {
      err = "line longer than " + std::to_string(kMaxScenarioLineLength) + " characters";
    } else {
      err = tokenize(ln, tokens);
    }
    if (err.empty() && !line(tokens)) err = error_;
    if (!err.empty()) return Refused({static_cast<int>(lineNo), std::move(err)});
  }
  return std::move(s_);
}

}  // namespace

ScenarioParse parseScenario(std::string_view text) { return Parser().run(text); }

ScenarioParse loadScenarioFile(const std::string& path) {
  using Refused = Unexpected<ScenarioError>;
  // Only a regular file is read: a FIFO or a device would stall the start for good.
  InputFile file = InputFile::open(path);
  if (!file.ok()) {
    return Refused({0, "cannot open scenario file " + path + ": " + describe(file.status())});
  }
  std::string text;
  if (file.readPrefix(kMaxScenarioBytes + 1, text) != InputFileStatus::kOk) {
    return Refused({0, "cannot read scenario file " + path});
  }
  return parseScenario(text);
}

}  // namespace raidmon::emu
