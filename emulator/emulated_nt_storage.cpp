#include "emulator/emulated_nt_storage.h"

#include <cstring>

namespace raidmon::emu {

namespace {

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// "scsi<n>:" (case-insensitive) with one digit n, as the DOS names of the ports.
std::optional<int> parseDosName(std::string_view name) {
  if (name.size() != 6 || !startsWithNoCase(name, "scsi") || name[5] != ':') return std::nullopt;
  if (name[4] < '0' || name[4] > '9') return std::nullopt;
  return name[4] - '0';
}

}  // namespace

EmulatedNtStorage::EmulatedNtStorage(Controller& controller)
    : EmulatedNtStorage(controller, controller.ports()) {}

EmulatedNtStorage::EmulatedNtStorage(Controller& controller, const std::vector<ScenarioPort>& ports)
    : controller_(controller) {
  for (const ScenarioPort& p : ports) {
    if (p.number >= 0 && p.number < kScsiPortCount) ports_[p.number] = p;
  }
}

std::optional<int> EmulatedNtStorage::parsePortPath(std::string_view path) {
  constexpr std::string_view kDevicePrefix = "\\\\.\\";
  if (path.substr(0, kDevicePrefix.size()) != kDevicePrefix) return std::nullopt;
  return parseDosName(path.substr(kDevicePrefix.size()));
}

std::uint32_t EmulatedNtStorage::queryDosDevice(std::string_view dosName, char* buffer,
                                                std::uint32_t capacity) {
  const std::optional<int> n = parseDosName(dosName);
  if (!n || buffer == nullptr) return 0;
  std::lock_guard lock(mu_);
  const std::optional<ScenarioPort>& port = ports_[*n];
  if (!port) return 0;
  const std::string& name = port->deviceName;
  const std::uint64_t needed = static_cast<std::uint64_t>(name.size()) + 2;
  if (needed > capacity) return 0;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  buffer[name.size() + 1] = '\0';
  return static_cast<std::uint32_t>(needed);
}

DeviceHandle EmulatedNtStorage::createFile(std::string_view path) {
  const std::optional<int> n = parsePortPath(path);
  if (!n) return kInvalidHandle;
  std::lock_guard lock(mu_);
  if (!ports_[*n]) return kInvalidHandle;
  const DeviceHandle h = nextHandle_++;
  handles_.emplace(h, *n);
  return h;
}

bool EmulatedNtStorage::miniportControl(DeviceHandle handle, std::uint8_t* inOut,
                                        std::uint32_t size) {
  int port;
  {
    std::lock_guard lock(mu_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return false;
    port = it->second;
    if (!ports_[port] || ports_[port]->role != PortRole::Driver) return false;
  }
  // Outside our lock: the controller may stall a request on purpose.
  return controller_.handleMiniport(port, inOut, size);
}

bool EmulatedNtStorage::rescanBus(DeviceHandle handle) {
  bool ours;
  {
    std::lock_guard lock(mu_);
    auto it = handles_.find(handle);
    if (it == handles_.end() || !ports_[it->second]) return false;
    ++rescanRequests_;
    ours = ports_[it->second]->role == PortRole::Driver;
  }
  if (ours) controller_.rescanBus();
  return true;
}

void EmulatedNtStorage::closeHandle(DeviceHandle handle) {
  std::lock_guard lock(mu_);
  handles_.erase(handle);
}

void EmulatedNtStorage::setPort(int number, std::optional<ScenarioPort> port) {
  if (number < 0 || number >= kScsiPortCount) return;
  std::lock_guard lock(mu_);
  if (port) port->number = number;
  ports_[number] = std::move(port);
}

std::size_t EmulatedNtStorage::openHandleCount() const {
  std::lock_guard lock(mu_);
  return handles_.size();
}

std::vector<DeviceHandle> EmulatedNtStorage::openHandles() const {
  std::lock_guard lock(mu_);
  std::vector<DeviceHandle> out;
  for (const auto& [h, port] : handles_) out.push_back(h);
  return out;
}

std::optional<int> EmulatedNtStorage::portOfHandle(DeviceHandle handle) const {
  std::lock_guard lock(mu_);
  auto it = handles_.find(handle);
  if (it == handles_.end()) return std::nullopt;
  return it->second;
}

std::uint64_t EmulatedNtStorage::rescanRequests() const {
  std::lock_guard lock(mu_);
  return rescanRequests_;
}

}  // namespace raidmon::emu
