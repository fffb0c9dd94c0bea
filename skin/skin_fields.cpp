#include "skin/skin_fields.h"

#include "platform/raidmon_error.h"
#include "platform/strict_int.h"

namespace raidmon {

namespace {

bool isBlank(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

}  // namespace

std::vector<std::string> SplitSkinFields(std::string_view value) {
  if (const auto nul = value.find('\0'); nul != std::string_view::npos) value = value.substr(0, nul);
  std::vector<std::string> fields;
  std::size_t i = 0;
  const std::size_t n = value.size();
  auto skipBlanks = [&] {
    while (i < n && isBlank(value[i])) ++i;
  };
  skipBlanks();
  while (i < n) {
    std::string field;
    if (value[i] == '"') {
      ++i;
      while (i < n) {
        if (value[i] == '"') {
          if (i + 1 < n && value[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += value[i++];
      }
    } else {
      const std::size_t start = i;
      while (i < n && value[i] != ',' && static_cast<unsigned char>(value[i]) >= 32) ++i;
      field.assign(value.substr(start, i - start));
    }
    fields.push_back(std::move(field));
    skipBlanks();
    if (i < n && value[i] == ',') {
      ++i;
      skipBlanks();
    }
  }
  return fields;
}

std::int32_t skinInteger(std::string_view field) {
  const auto v = parseWholeNumber(field);
  if (!v) throw RaidmonError(conversionErrorMessage(field));
  return *v;
}

}  // namespace raidmon
