// The NT family's link through the system's storage stack (Windows only). The real
// calls under Wine, which has no port for the controller; and a table of calls that
// puts the emulated controller behind DeviceIoControl, so every request takes the
// Win32 path and is compared, byte for byte, with the same request on the emulated
// stack.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "monitor/monitor.h"
#include "platform/win32/win32_nt_storage.h"
#include "support/recording_views.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

std::unique_ptr<emu::Controller> defaultController() {
  const emu::ScenarioParse parsed = emu::parseScenario(emu::defaultScenarioText());
  EXPECT_TRUE(parsed.has_value());
  return std::make_unique<emu::Controller>(parsed.value());
}

constexpr std::uint8_t kFlashBlock[128] = {0x5A, 0xA5, 1, 2, 3};

// The real CreateFileA and CloseHandle, counting the handles they give and take back.
int portsOpened = 0;
int portsClosed = 0;
HANDLE WINAPI countedCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE model) {
  const HANDLE h = CreateFileA(path, access, share, security, disposition, flags, model);
  if (h != INVALID_HANDLE_VALUE) ++portsOpened;
  return h;
}
BOOL WINAPI countedCloseHandle(HANDLE h) {
  ++portsClosed;
  return CloseHandle(h);
}

// ---- the real calls -----------------------------------------------------------------

TEST(Win32StorageReal, NoPortForTheControllerMeansNoControllerFound) {
  Win32NtStorage stack(
      Win32StorageCalls{&QueryDosDeviceA, &countedCreateFile, &DeviceIoControl, &countedCloseHandle});
  {
    DirectPortLink link(stack);
    ControlPacket p;
    const LocateResult r = link.locate(p);
    EXPECT_FALSE(r.portFound);
    EXPECT_EQ(r.matchingPorts, 0);
    for (const std::string& name : r.portNames) EXPECT_NE(name, "tavrixRX");
    EXPECT_FALSE(link.readStatus(p));
    EXPECT_FALSE(link.rescanBus());
  }
  EXPECT_EQ(portsClosed, portsOpened);  // every port that opened was closed again

  // Start-up on the NT family says so, and the first showing closes the window.
  test::TempDir dir("raidmon_win32_stack");
  DirectPortLink link(stack);
  SharedPacket packet;
  test::RecordingViews views;
  Monitor monitor(link, packet, kOsFamilyNt, dir.slashed());
  monitor.setViews(views.all());
  monitor.start();
  ASSERT_EQ(views.errors.size(), 1u);
  EXPECT_EQ(views.errors[0], "RAID controller DRIVER not installed");
  monitor.startMonitoring();
  EXPECT_TRUE(monitor.startFailed());
}

TEST(Win32StorageReal, DosNamesFitOrFailAndFilesAreNoPorts) {
  Win32NtStorage stack;
  char buffer[1024];
  std::memset(buffer, 'x', sizeof buffer);
  const std::uint32_t n = stack.queryDosDevice("C:", buffer, sizeof buffer);
  ASSERT_GT(n, 2u);  // every Wine prefix has drive C:
  EXPECT_EQ(buffer[n - 1], '\0');
  EXPECT_EQ(buffer[n - 2], '\0');
  EXPECT_EQ(stack.queryDosDevice("C:", buffer, n - 1), 0u);  // one short: does not fit
  EXPECT_EQ(stack.queryDosDevice("C:", buffer, n), n);
  EXPECT_EQ(stack.queryDosDevice("scsi7:", buffer, sizeof buffer), 0u);
  EXPECT_EQ(stack.queryDosDevice(std::string_view("C:\0D:", 5), buffer, sizeof buffer), 0u);

  EXPECT_EQ(stack.createFile("\\\\.\\SCSI255:"), kInvalidHandle);
  // A plain file opens, but no miniport answers on it.
  test::TempDir dir("raidmon_win32_stack");
  const std::string file = dir.file("not-a-port");
  CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  const DeviceHandle h = stack.createFile(file);
  ASSERT_NE(h, kInvalidHandle);
  ControlPacket p;
  p.fillDirectHeader(CTL_PROBE, 0);
  EXPECT_FALSE(stack.miniportControl(h, p.raw(), kPacketSize));
  EXPECT_FALSE(stack.rescanBus(h));
  stack.closeHandle(h);
  stack.closeHandle(kInvalidHandle);
}

// ---- the emulated controller behind the Win32 calls ---------------------------------

// What the injected calls saw, and the faults they are told to make.
struct Device {
  emu::EmulatedNtStorage* storage = nullptr;
  bool ioctlFails = false;
  std::optional<DWORD> bytesReturned;   // the count reported instead of the whole buffer
  std::optional<DWORD> nameCount;       // the count reported instead of the name's
  bool createGivesNull = false;
  struct IoCall {
    DWORD code;
    void* in;
    DWORD inSize;
    void* out;
    DWORD outSize;
    bool countGiven;
    bool overlapped;
  };
  std::vector<IoCall> ioCalls;
  struct Open {
    std::string path;
    DWORD access, share, disposition;
  };
  std::vector<Open> opens;
  std::vector<HANDLE> closed;
  int nameQueries = 0;
};
Device* device = nullptr;

DWORD WINAPI queryDosDeviceOnEmulator(LPCSTR name, LPSTR buffer, DWORD capacity) {
  ++device->nameQueries;
  const std::uint32_t n = device->storage->queryDosDevice(name, buffer, capacity);
  if (n == 0) SetLastError(ERROR_FILE_NOT_FOUND);
  return device->nameCount.value_or(n);
}

HANDLE WINAPI createFileOnEmulator(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                                   DWORD disposition, DWORD, HANDLE) {
  device->opens.push_back({path, access, share, disposition});
  if (device->createGivesNull) return nullptr;
  const DeviceHandle h = device->storage->createFile(path);
  return h == kInvalidHandle ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(h);
}

BOOL WINAPI deviceIoControlOnEmulator(HANDLE h, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                                      DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) {
  device->ioCalls.push_back({code, in, inSize, out, outSize, returned != nullptr, overlapped != nullptr});
  if (device->ioctlFails) {
    SetLastError(ERROR_IO_DEVICE);
    return FALSE;
  }
  const auto handle = reinterpret_cast<DeviceHandle>(h);
  bool ok = false;
  if (code == kIoctlScsiMiniport && in == out && inSize == outSize) {
    ok = device->storage->miniportControl(handle, static_cast<std::uint8_t*>(in), inSize);
    *returned = ok ? outSize : 0;
  } else if (code == kIoctlScsiRescanBus && in == nullptr && out == nullptr) {
    ok = device->storage->rescanBus(handle);
    *returned = 0;
  }
  if (ok && device->bytesReturned) *returned = *device->bytesReturned;
  if (!ok) SetLastError(ERROR_INVALID_FUNCTION);
  return ok ? TRUE : FALSE;
}

BOOL WINAPI closeHandleOnEmulator(HANDLE h) {
  device->closed.push_back(h);
  device->storage->closeHandle(reinterpret_cast<DeviceHandle>(h));
  return TRUE;
}

class Win32StorageInjected : public ::testing::Test {
 protected:
  Win32StorageInjected() {
    device = &calls;
    calls.storage = &behind;
  }
  ~Win32StorageInjected() override { device = nullptr; }

  std::unique_ptr<emu::Controller> controller = defaultController();
  emu::EmulatedNtStorage behind{*controller};
  Device calls;
  Win32NtStorage stack{Win32StorageCalls{&queryDosDeviceOnEmulator, &createFileOnEmulator,
                                         &deviceIoControlOnEmulator, &closeHandleOnEmulator}};
};

TEST_F(Win32StorageInjected, EveryRequestOfTheLinkArrivesAsOnTheEmulatedStack) {
  std::unique_ptr<emu::Controller> twin = defaultController();
  emu::EmulatedNtStorage twinStack(*twin);
  {
    DirectPortLink win32(stack);
    DirectPortLink emulated(twinStack);
    ControlPacket a, b;
    const LocateResult ra = win32.locate(a);
    const LocateResult rb = emulated.locate(b);
    ASSERT_TRUE(ra.portFound);
    EXPECT_EQ(ra.probeResult, 1);
    EXPECT_EQ(ra.matchingPorts, rb.matchingPorts);
    EXPECT_EQ(ra.portNames, rb.portNames);
    EXPECT_EQ(a.bytes, b.bytes);

    using Step = bool (*)(DirectPortLink&, ControlPacket&);
    const Step steps[] = {
        [](DirectPortLink& l, ControlPacket& q) { return l.readConfig(q); },
        [](DirectPortLink& l, ControlPacket& q) { return l.readStatus(q); },
        [](DirectPortLink& l, ControlPacket& q) { return l.plugBackup(q); },
        [](DirectPortLink& l, ControlPacket& q) { return l.transfer(q, {0, 0, 0, 1, 0x40, 128}); },
        [](DirectPortLink& l, ControlPacket& q) { return l.rebuildBegin(q); },
        [](DirectPortLink& l, ControlPacket& q) { return l.rebuildEnd(q, 0, 1); },
        [](DirectPortLink& l, ControlPacket& q) {
          return l.flashCommand(q, FLASH_OP_40, 0x100, 0, kFlashBlock);
        },
        [](DirectPortLink& l, ControlPacket& q) { return l.readStatus(q); },
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
      SCOPED_TRACE("step " + std::to_string(i));
      EXPECT_EQ(steps[i](win32, a), steps[i](emulated, b));
      EXPECT_EQ(a.bytes, b.bytes);
    }
    EXPECT_TRUE(win32.rescanBus());
    EXPECT_TRUE(emulated.rescanBus());
    EXPECT_EQ(behind.rescanRequests(), 1u);

    // Every miniport request: the packet itself in and out, whole, no overlapped I/O.
    ASSERT_FALSE(calls.ioCalls.empty());
    for (std::size_t i = 0; i + 1 < calls.ioCalls.size(); ++i) {
      const Device::IoCall& c = calls.ioCalls[i];
      EXPECT_EQ(c.code, static_cast<DWORD>(kIoctlScsiMiniport));
      EXPECT_EQ(c.in, static_cast<void*>(a.raw()));
      EXPECT_EQ(c.out, c.in);
      EXPECT_EQ(c.inSize, kPacketSize);
      EXPECT_EQ(c.outSize, kPacketSize);
      EXPECT_TRUE(c.countGiven);
      EXPECT_FALSE(c.overlapped);
    }
    const Device::IoCall& rescan = calls.ioCalls.back();
    EXPECT_EQ(rescan.code, static_cast<DWORD>(kIoctlScsiRescanBus));
    EXPECT_EQ(rescan.in, nullptr);
    EXPECT_EQ(rescan.inSize + rescan.outSize, 0u);
    for (const Device::Open& o : calls.opens) {
      EXPECT_EQ(o.access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
      EXPECT_EQ(o.share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));
      EXPECT_EQ(o.disposition, static_cast<DWORD>(OPEN_EXISTING));
    }
    EXPECT_EQ(calls.opens.back().path, "\\\\.\\SCSI1:");
  }
  // The controller received the same requests in the same order.
  const auto got = controller->requestLog();
  const auto expected = twin->requestLog();
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].code, expected[i].code) << i;
    EXPECT_EQ(got[i].port, expected[i].port) << i;
    EXPECT_EQ(got[i].data, expected[i].data) << i;
  }
  // The link closed its port through CloseHandle.
  EXPECT_EQ(calls.closed.size(), 1u);
  EXPECT_EQ(behind.openHandleCount(), 0u);
}

TEST_F(Win32StorageInjected, FailedOrShortAnswersAreFailures) {
  const DeviceHandle h = stack.createFile("\\\\.\\SCSI1:");
  ASSERT_NE(h, kInvalidHandle);
  ControlPacket p;
  auto send = [&](std::uint32_t code, std::uint32_t length) {
    p.fillDirectHeader(code, length);
    return stack.miniportControl(h, p.raw(), kPacketSize);
  };
  ASSERT_TRUE(send(CTL_READ_STATUS, kDataSize));

  calls.ioctlFails = true;  // DeviceIoControl says FALSE
  EXPECT_FALSE(send(CTL_READ_STATUS, kDataSize));
  EXPECT_FALSE(stack.rescanBus(h));
  calls.ioctlFails = false;

  controller->failNextSends(CTL_READ_STATUS, 1);  // the driver refuses the request
  EXPECT_FALSE(send(CTL_READ_STATUS, kDataSize));

  // The answer must cover the header and the data the request names.
  calls.bytesReturned = kPacketSize - 1;
  EXPECT_FALSE(send(CTL_READ_STATUS, kDataSize));
  calls.bytesReturned = kHeaderSize + 99;
  EXPECT_FALSE(send(CTL_READ_CONFIG, kDataSize));
  calls.bytesReturned = kHeaderSize;
  EXPECT_TRUE(send(CTL_PROBE, 0));  // a request without data needs only the header
  calls.bytesReturned = kHeaderSize - 1;
  EXPECT_FALSE(send(CTL_PROBE, 0));
  calls.bytesReturned = 0;
  EXPECT_FALSE(send(CTL_PROBE, 0));
  calls.bytesReturned = kPacketSize + 1;  // more than the buffer holds
  EXPECT_FALSE(send(CTL_READ_STATUS, kDataSize));
  calls.bytesReturned.reset();

  // A request shorter than its header never reaches the device.
  const std::size_t before = calls.ioCalls.size();
  EXPECT_FALSE(stack.miniportControl(h, p.raw(), kHeaderSize - 1));
  EXPECT_FALSE(stack.miniportControl(h, nullptr, kPacketSize));
  EXPECT_EQ(calls.ioCalls.size(), before);
  stack.closeHandle(h);
}

TEST_F(Win32StorageInjected, InvalidHandlesNeverReachTheSystem) {
  ControlPacket p;
  p.fillDirectHeader(CTL_PROBE, 0);
  for (DeviceHandle h : {kInvalidHandle, DeviceHandle{0}}) {
    EXPECT_FALSE(stack.miniportControl(h, p.raw(), kPacketSize));
    EXPECT_FALSE(stack.rescanBus(h));
    stack.closeHandle(h);
  }
  EXPECT_TRUE(calls.ioCalls.empty());
  EXPECT_TRUE(calls.closed.empty());

  EXPECT_EQ(stack.createFile("\\\\.\\SCSI5:"), kInvalidHandle);  // no port 5
  calls.createGivesNull = true;
  EXPECT_EQ(stack.createFile("\\\\.\\SCSI1:"), kInvalidHandle);
  calls.createGivesNull = false;
  EXPECT_EQ(stack.createFile(std::string_view("\\\\.\\SCSI1:\0x", 12)), kInvalidHandle);
  EXPECT_EQ(stack.createFile(""), kInvalidHandle);
  EXPECT_EQ(calls.opens.size(), 2u);  // the last two never reached CreateFileA
}

TEST_F(Win32StorageInjected, PortNameLookupsThatFailOrOverflowAreNoNames) {
  char buffer[30];
  EXPECT_EQ(stack.queryDosDevice("scsi1:", buffer, sizeof buffer), 19u);  // \Device\tavrixRX0
  EXPECT_STREQ(buffer, "\\Device\\tavrixRX0");
  EXPECT_EQ(stack.queryDosDevice("scsi4:", buffer, sizeof buffer), 0u);  // not defined

  // A name too long for the buffer: the system fails (as here) or cuts it short.
  emu::ScenarioPort longName{1, emu::PortRole::Driver, "\\Device\\Scsi\\longer\\tavrixRX0"};
  behind.setPort(1, longName);
  EXPECT_EQ(stack.queryDosDevice("scsi1:", buffer, sizeof buffer), 0u);
  calls.nameCount = sizeof buffer;  // cut short: no closing zeros
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(stack.queryDosDevice("scsi2:", buffer, sizeof buffer - 1), 0u);  // count past the buffer
  EXPECT_EQ(stack.queryDosDevice("scsi1:", buffer, sizeof buffer), 0u);
  calls.nameCount.reset();
  const int queries = calls.nameQueries;
  EXPECT_EQ(stack.queryDosDevice(std::string_view("scsi1:\0", 7), buffer, sizeof buffer), 0u);
  EXPECT_EQ(stack.queryDosDevice("scsi1:", buffer, 1), 0u);
  EXPECT_EQ(calls.nameQueries, queries);

  // The link then finds the controller on port 2 by name, port 1's name left empty.
  DirectPortLink link(stack);
  ControlPacket p;
  const LocateResult r = link.locate(p);
  EXPECT_TRUE(r.portFound);
  EXPECT_EQ(r.matchingPorts, 1);
  EXPECT_EQ(r.portNames[1], "");
  EXPECT_EQ(behind.portOfHandle(link.handle()), 2);
}

}  // namespace
}  // namespace raidmon
