// libFuzzer target for the INI text functions: arbitrary bytes as a hand-edited INI file;
// reads the monitor's keys, applies writes and checks that each written value reads back.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/profile_ini.h"
#include "platform/strict_int.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// The next NUL-terminated field of `rest` (all of it when there is no NUL).
std::string_view nextField(std::string_view& rest) {
  const auto nul = rest.find('\0');
  const std::string_view field = rest.substr(0, nul);
  rest = nul == std::string_view::npos ? std::string_view{} : rest.substr(nul + 1);
  return field;
}

// A write reads back as the same entry reads in a file holding nothing else, keeps
// every line break, and leaves another section's key alone.
void writeAndCheck(std::string_view text, std::string_view section, std::string_view key,
                   std::string_view value) {
  using raidmon::readProfileString;
  const auto updated = raidmon::writeProfileString(text, section, key, value);
  if (!updated) return;
  const std::string alone =
      "[" + std::string(section) + "]\n" + std::string(key) + "=" + std::string(value) + "\n";
  check(readProfileString(*updated, section, key) == readProfileString(alone, section, key));
  check(std::ranges::count(*updated, '\n') >= std::ranges::count(text, '\n'));
  const bool sectionIsOem = readProfileString("[OEM]\nk=1\n", section, "k").has_value();
  if (!sectionIsOem) {
    check(readProfileString(*updated, "OEM", "Company") ==
          readProfileString(text, "OEM", "Company"));
  }
}

}  // namespace

// Input: INI text, then optionally NUL, section, NUL, key, NUL, value for a second write.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view text = nextField(rest);
  const std::string_view section = rest.empty() ? "Flash" : nextField(rest);
  const std::string_view key = rest.empty() ? "Initial" : nextField(rest);
  const std::string_view value = rest.empty() ? "1" : nextField(rest);

  for (const char* sectionName : {"Rebuild", "Flash", "OEM"}) {
    for (const char* keyName : {"Auto Rebuild", "Initial", "Company", "C_Logo"}) {
      if (const auto found = raidmon::readProfileString(text, sectionName, keyName)) {
        (void)raidmon::parseWholeNumber(*found);
      }
    }
  }
  (void)raidmon::parseWholeNumber(text.substr(0, 32));
  writeAndCheck(text, "Rebuild", "Auto Rebuild", "1");
  writeAndCheck(text, section, key, value);
  return 0;
}
