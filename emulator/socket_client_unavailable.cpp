// The controller socket's client where there are no Unix sockets (the Windows build):
// connecting fails with the reason, so --controller=socket:PATH is refused at start.
// Nothing else can run without a connection; it all fails as a lost connection does.
#include "emulator/socket_client.h"

namespace raidmon::emu {

Result<std::unique_ptr<SocketConnection>> SocketConnection::connect(const std::string& path,
                                                                    std::chrono::milliseconds) {
  return Unexpected("cannot connect to " + path + ": controller sockets need Unix sockets, which this build lacks");
}

SocketConnection::~SocketConnection() = default;
bool SocketConnection::request(MessageKind, const std::vector<std::uint8_t>&, std::vector<std::uint8_t>&) {
  return false;
}
Result<void> SocketConnection::inject(std::string_view) { return Unexpected(std::string("no connection")); }
void SocketConnection::setReplyTimeout(std::chrono::milliseconds timeout) { replyTimeout_ = timeout; }
void SocketConnection::setLostHandler(LostFn handler) { onLost_ = std::move(handler); }
void SocketConnection::disconnect() { disconnected_ = true; }
bool SocketConnection::lost() const { return true; }
std::string SocketConnection::refusal() const { return {}; }

std::uint32_t SocketNtStorage::queryDosDevice(std::string_view, char*, std::uint32_t) { return 0; }
DeviceHandle SocketNtStorage::createFile(std::string_view) { return kInvalidHandle; }
bool SocketNtStorage::miniportControl(DeviceHandle, std::uint8_t*, std::uint32_t) { return false; }
bool SocketNtStorage::rescanBus(DeviceHandle) { return false; }
void SocketNtStorage::closeHandle(DeviceHandle) {}

bool SocketAspiDevice::handleAspiCdb77(int, int, std::uint8_t*, std::size_t) { return false; }

int socketAspiBackend(void*, std::uint8_t, std::uint8_t, const aspi::SRB_ExecSCSICmd*, std::uint8_t*,
                      std::uint32_t) {
  return 0;
}

}  // namespace raidmon::emu
