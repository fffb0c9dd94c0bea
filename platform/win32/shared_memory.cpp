#include "platform/shared_memory.h"

#include <windows.h>

#include <cstdio>
#include <random>

namespace raidmon {

namespace {

std::string describe(const std::string& what, const std::string& name, DWORD error) {
  return what + " " + name + ": system error " + std::to_string(error);
}

// 64 bits from the system's random source.
std::uint64_t systemRandom() {
  static std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

std::string nameFor(std::string_view word, std::uint64_t random) {
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random));
  // The session's own namespace: no privilege is needed, and other sessions do not see it.
  return "Local\\" + std::string(word) + "." + std::to_string(GetCurrentProcessId()) + "." + suffix;
}

}  // namespace

Result<std::unique_ptr<SharedView>> SharedView::create(std::string_view word, std::size_t size) {
  return create(word, size, systemRandom);
}

Result<std::unique_ptr<SharedView>> SharedView::create(
    std::string_view word, std::size_t size, const std::function<std::uint64_t()>& random) {
  if (size == 0 || word.empty() || word.find('/') != std::string_view::npos ||
      word.find('\\') != std::string_view::npos) {
    return Unexpected("bad shared memory request");
  }
  // A section backed by the paging file, created under a fresh name: a section someone
  // else made beforehand under that name is never ours to map.
  const auto high = static_cast<DWORD>(static_cast<std::uint64_t>(size) >> 32);
  const auto low = static_cast<DWORD>(static_cast<std::uint64_t>(size) & 0xFFFFFFFFu);
  std::string name;
  HANDLE mapping = nullptr;
  for (int attempt = 0; attempt < kNameAttempts && mapping == nullptr; ++attempt) {
    name = nameFor(word, random());
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, high, low, name.c_str());
    if (mapping == nullptr) return Unexpected(describe("cannot create shared memory", name, GetLastError()));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(mapping);
      mapping = nullptr;
    }
  }
  if (mapping == nullptr) {
    return Unexpected("cannot create shared memory " + std::string(word) + ": " +
                      std::to_string(kNameAttempts) + " names taken");
  }
  void* mapped = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size);
  const DWORD failure = mapped ? 0 : GetLastError();
  // The view keeps the section; closing the only handle drops the name, so nobody else
  // can open it afterwards.
  CloseHandle(mapping);
  if (mapped == nullptr) return Unexpected(describe("cannot set up shared memory", name, failure));
  return std::unique_ptr<SharedView>(
      new SharedView(static_cast<std::uint8_t*>(mapped), size, std::move(name)));
}

SharedView::~SharedView() { UnmapViewOfFile(data_); }

}  // namespace raidmon
