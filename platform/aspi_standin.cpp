#include "platform/aspi_standin.h"

#include "platform/dynamic_library.h"
#include "platform/input_file.h"

namespace raidmon {

namespace {

template <class Fn>
Result<void> fetch(void* library, const char* name, Fn& out) {
  out = reinterpret_cast<Fn>(librarySymbol(library, name));
  if (out == nullptr) return Unexpected(std::string("ASPI layer lacks ") + name);
  return {};
}

}  // namespace

Result<std::unique_ptr<AspiStandIn>> AspiStandIn::open(const std::string& directory) {
  const std::string path = directory + aspi::kLibraryFile;
  if (const InputFileStatus status = checkInputFile(path); status != InputFileStatus::kOk) {
    return Unexpected("cannot load " + path + ": " + describe(status));
  }
  std::string why;
  void* library = openLibrary(path, why);
  if (library == nullptr) return Unexpected(why);
  std::unique_ptr<AspiStandIn> s(new AspiStandIn);
  s->library_ = library;
  Result<void> fetched = fetch(library, "aspi32AttachBackend", s->attach_);
  if (fetched) fetched = fetch(library, "aspi32SetStall", s->setStall_);
  if (fetched) fetched = fetch(library, "aspi32SetImmediateStatus", s->setImmediate_);
  if (fetched) fetched = fetch(library, "aspi32GetCounters", s->counters_);
  if (!fetched) return Unexpected(fetched.error());  // the destructor drops the reference
  return s;
}

AspiStandIn::~AspiStandIn() {
  if (attached_) detach();
  closeLibrary(library_);
}

void AspiStandIn::attach(aspi::Aspi32Backend backend, void* context, std::uint8_t adapterCount) {
  attach_(backend, context, adapterCount);
  attached_ = backend != nullptr;
}

void AspiStandIn::detach() {
  attach_(nullptr, nullptr, kAspiHostAdapters);
  attached_ = false;
}

void AspiStandIn::setStall(bool on) { setStall_(on ? 1 : 0); }

void AspiStandIn::setImmediateStatus(std::uint8_t status) { setImmediate_(status); }

aspi::Aspi32Counters AspiStandIn::counters() const {
  aspi::Aspi32Counters c;
  counters_(&c);
  return c;
}

}  // namespace raidmon
