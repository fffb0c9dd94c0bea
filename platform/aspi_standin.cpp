#include "platform/aspi_standin.h"

#include <dlfcn.h>

#include "platform/input_file.h"

namespace raidmon {

namespace {

template <class Fn>
bool fetch(void* library, const char* name, Fn& out, std::string& error) {
  out = reinterpret_cast<Fn>(dlsym(library, name));
  if (out == nullptr) error = std::string("ASPI layer lacks ") + name;
  return out != nullptr;
}

}  // namespace

std::unique_ptr<AspiStandIn> AspiStandIn::open(const std::string& directory, std::string& error) {
  const std::string path = directory + aspi::kLibraryFile;
  if (const InputFileStatus status = checkInputFile(path); status != InputFileStatus::kOk) {
    error = "cannot load " + path + ": " + describe(status);
    return nullptr;
  }
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    error = "cannot load " + path + (why ? std::string(": ") + why : std::string());
    return nullptr;
  }
  std::unique_ptr<AspiStandIn> s(new AspiStandIn);
  s->library_ = library;
  if (!fetch(library, "aspi32AttachBackend", s->attach_, error) ||
      !fetch(library, "aspi32SetStall", s->setStall_, error) ||
      !fetch(library, "aspi32SetImmediateStatus", s->setImmediate_, error) ||
      !fetch(library, "aspi32GetCounters", s->counters_, error)) {
    return nullptr;  // the destructor drops the reference
  }
  return s;
}

AspiStandIn::~AspiStandIn() {
  if (attached_) detach();
  if (library_ != nullptr) dlclose(library_);
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
