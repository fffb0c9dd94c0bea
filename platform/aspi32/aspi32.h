// The ASPI-for-Win32 interface as the ASPI layer stand-in (T_ASPI32.dll on Windows,
// libT_ASPI32.so elsewhere) offers it: request block layouts, command and status codes,
// and the layer's C exports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <concepts>
#include <type_traits>

#ifndef RAIDMON_ASPI_LIBRARY_FILE
#error "RAIDMON_ASPI_LIBRARY_FILE names the ASPI layer's file (set by the build per system)"
#endif

namespace raidmon::aspi {

// The file the bridge library loads from the program directory: the build sets it for
// the system it builds for.
inline constexpr const char* kLibraryFile = RAIDMON_ASPI_LIBRARY_FILE;

// SRB_Cmd values.
inline constexpr std::uint8_t SC_HA_INQUIRY = 0x00;
inline constexpr std::uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr std::uint8_t SC_ABORT_SRB = 0x03;
// SRB_Status values (also what SendASPI32Command returns).
inline constexpr std::uint8_t SS_PENDING = 0x00;
inline constexpr std::uint8_t SS_COMP = 0x01;
inline constexpr std::uint8_t SS_ABORTED = 0x02;
inline constexpr std::uint8_t SS_ABORT_FAIL = 0x03;
inline constexpr std::uint8_t SS_ERR = 0x04;
inline constexpr std::uint8_t SS_INVALID_CMD = 0x80;
inline constexpr std::uint8_t SS_INVALID_HA = 0x81;
inline constexpr std::uint8_t SS_NO_DEVICE = 0x82;
inline constexpr std::uint8_t SS_INVALID_SRB = 0xE0;
// SRB_Flags bits.
inline constexpr std::uint8_t SRB_DIR_IN = 0x08;
inline constexpr std::uint8_t SRB_DIR_OUT = 0x10;
inline constexpr std::uint8_t SRB_EVENT_NOTIFY = 0x40;
// SRB_HaStat and SRB_TargStat values the layer reports.
inline constexpr std::uint8_t HASTAT_OK = 0x00;
inline constexpr std::uint8_t HASTAT_SEL_TO = 0x11;
inline constexpr std::uint8_t STATUS_GOOD = 0x00;
inline constexpr std::uint8_t STATUS_CHKCOND = 0x02;

inline constexpr std::size_t kExecBlockSize = 80;
inline constexpr std::size_t kAbortBlockSize = 12;
// The largest data buffer the layer accepts in one request.
inline constexpr std::uint32_t kMaxBufferLength = 64 * 1024;

// Where a pointer travels. The published blocks have 4-byte pointer slots: a 32-bit
// host puts its pointers there, as every ASPI caller does. A 64-bit pointer does not
// fit, so a 64-bit host leaves the slots 0 and passes the pointers beside the block
// (ExecRequest, AbortRequest below).
inline constexpr bool kPointersInBlock = sizeof(void*) == 4;

// SRB_ExecSCSICmd byte for byte as published for the 32-bit interface: 80 bytes, every
// field at its published offset, little-endian.
struct SRB_ExecSCSICmd {
  std::uint8_t SRB_Cmd;         // 0: SC_EXEC_SCSI_CMD
  std::uint8_t SRB_Status;      // 1: set by the layer
  std::uint8_t SRB_HaId;        // 2: host adapter
  std::uint8_t SRB_Flags;       // 3: SRB_DIR_*, SRB_EVENT_NOTIFY
  std::uint32_t SRB_Hdr_Rsvd;   // 4
  std::uint8_t SRB_Target;      // 8: target id
  std::uint8_t SRB_Lun;         // 9
  std::uint16_t SRB_Rsvd1;      // 10
  std::uint32_t SRB_BufLen;     // 12: data buffer length
  std::uint32_t SRB_BufPointer; // 16: the data buffer (32-bit host; 0 on a 64-bit one)
  std::uint8_t SRB_SenseLen;    // 20
  std::uint8_t SRB_CDBLen;      // 21: 6, 10, 12 or 16
  std::uint8_t SRB_HaStat;      // 22: set by the layer
  std::uint8_t SRB_TargStat;    // 23: set by the layer
  std::uint32_t SRB_PostProc;   // 24: the completion event (32-bit host; 0 on a 64-bit one)
  std::uint32_t SRB_Rsvd2;      // 28
  std::uint8_t SRB_Rsvd3[16];   // 32
  std::uint8_t CDBByte[16];     // 48
  std::uint8_t SenseArea[16];   // 64: SENSE_LEN 14 + 2
};
static_assert(sizeof(SRB_ExecSCSICmd) == kExecBlockSize);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Hdr_Rsvd) == 4);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Target) == 8);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 20);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_CDBLen) == 21);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 24);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Rsvd2) == 28);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Rsvd3) == 32);
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 48);
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 64);

// SRB_Abort as published for the 32-bit interface (12 bytes).
struct SRB_Abort {
  std::uint8_t SRB_Cmd;        // 0: SC_ABORT_SRB
  std::uint8_t SRB_Status;     // 1
  std::uint8_t SRB_HaId;       // 2
  std::uint8_t SRB_Flags;      // 3
  std::uint32_t SRB_Hdr_Rsvd;  // 4
  std::uint32_t SRB_ToAbort;   // 8: the request to abort (32-bit host; 0 on a 64-bit one)
};
static_assert(sizeof(SRB_Abort) == kAbortBlockSize);
static_assert(offsetof(SRB_Abort, SRB_ToAbort) == 8);

// The pointers a request carries, beside the block on a 64-bit host; nothing (so the
// request is the bare block) on a 32-bit host.
struct NoPointersBeside {};
struct ExecPointersBeside {
  std::uint8_t* bufPointer = nullptr;  // SRB_BufPointer
  void* postProc = nullptr;            // SRB_PostProc
};
struct AbortPointerBeside {
  void* toAbort = nullptr;  // SRB_ToAbort
};

// What SendASPI32Command takes for SC_EXEC_SCSI_CMD: the 80-byte block first, so a
// pointer to the request is a pointer to the block. On a 32-bit host it is exactly the
// published block. Set and read the pointers through the functions below. The request
// must stay alive and untouched until it completes or an abort of it has returned.
struct ExecRequest {
  SRB_ExecSCSICmd srb{};
  [[no_unique_address]] std::conditional_t<kPointersInBlock, NoPointersBeside, ExecPointersBeside>
      beside{};
};
// What SendASPI32Command takes for SC_ABORT_SRB, laid out the same way.
struct AbortRequest {
  SRB_Abort srb{};
  [[no_unique_address]] std::conditional_t<kPointersInBlock, NoPointersBeside, AbortPointerBeside>
      beside{};
};
static_assert(offsetof(ExecRequest, srb) == 0 && offsetof(AbortRequest, srb) == 0);
static_assert(!kPointersInBlock ||
              (sizeof(ExecRequest) == kExecBlockSize && sizeof(AbortRequest) == kAbortBlockSize));

// The accessors are templates only so that the branch for the other pointer size is
// never compiled.
namespace detail {
inline std::uint32_t toSlot(const void* p) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}
template <class T>
T* fromSlot(std::uint32_t slot) {
  return reinterpret_cast<T*>(static_cast<std::uintptr_t>(slot));
}
}  // namespace detail

// SRB_BufPointer: SRB_BufLen bytes, sent and answered in place.
template <std::same_as<ExecRequest> R>
inline void setBuffer(R& r, std::uint8_t* buffer) {
  if constexpr (kPointersInBlock) r.srb.SRB_BufPointer = detail::toSlot(buffer);
  else r.beside.bufPointer = buffer;
}
template <std::same_as<ExecRequest> R>
inline std::uint8_t* bufferOf(const R& r) {
  if constexpr (kPointersInBlock) return detail::fromSlot<std::uint8_t>(r.srb.SRB_BufPointer);
  else return r.beside.bufPointer;
}
// SRB_PostProc: the completion event, set when the request completes and
// SRB_EVENT_NOTIFY is set. It is what ManualResetEvent::completionHandle() gives: the
// system's event handle on Windows.
template <std::same_as<ExecRequest> R>
inline void setPostProc(R& r, void* event) {
  if constexpr (kPointersInBlock) r.srb.SRB_PostProc = detail::toSlot(event);
  else r.beside.postProc = event;
}
template <std::same_as<ExecRequest> R>
inline void* postProcOf(const R& r) {
  if constexpr (kPointersInBlock) return detail::fromSlot<void>(r.srb.SRB_PostProc);
  else return r.beside.postProc;
}
// SRB_ToAbort: the request to take back.
template <std::same_as<AbortRequest> A>
inline void setToAbort(A& a, ExecRequest* target) {
  if constexpr (kPointersInBlock) a.srb.SRB_ToAbort = detail::toSlot(target);
  else a.beside.toAbort = target;
}
template <std::same_as<AbortRequest> A>
inline ExecRequest* toAbortOf(const A& a) {
  if constexpr (kPointersInBlock) return detail::fromSlot<ExecRequest>(a.srb.SRB_ToAbort);
  else return static_cast<ExecRequest*>(a.beside.toAbort);
}

// Where the layer sends a request whose CDB is 0x77: the device behind the adapter.
// `buffer` holds `length` bytes to read the request from and to answer in; `srb` is
// the request block as the caller filled it. Returns 1 when the device took the
// request, 0 when it failed it. Called on the layer's worker thread (or the caller's,
// see aspi32SetImmediateStatus), one request at a time.
using Aspi32Backend = int (*)(void* context, std::uint8_t adapter, std::uint8_t target,
                              const SRB_ExecSCSICmd* srb, std::uint8_t* buffer,
                              std::uint32_t length);

// What the layer has done since it was loaded.
struct Aspi32Counters {
  std::uint64_t sent = 0;       // execute requests accepted
  std::uint64_t delivered = 0;  // handed to the backend
  std::uint64_t completed = 0;  // completed and signalled (any status)
  std::uint64_t aborted = 0;    // taken back by SC_ABORT_SRB
};

extern "C" {

using GetASPI32SupportInfoFn = std::uint32_t (*)();
using SendASPI32CommandFn = std::uint32_t (*)(void* srb);

// Bits 8..15: SS_COMP; bits 0..7: the number of host adapters.
std::uint32_t GetASPI32SupportInfo();

// SC_EXEC_SCSI_CMD (an ExecRequest): SS_PENDING when queued; the layer completes the
// request on its own thread, sets SRB_Status (SS_COMP, SS_ERR), SRB_HaStat and
// SRB_TargStat and sets the event. Refused at once, without an event: an unknown host
// adapter (SS_INVALID_HA), a bad block (SS_INVALID_SRB). A CDB other than 0x77, or no
// backend attached, completes with SS_ERR (selection time-out).
// SC_ABORT_SRB (an AbortRequest): takes a queued or running request back; it then
// completes with SS_ABORTED and the layer never touches its buffer again. Returns
// SS_COMP, or SS_ABORT_FAIL when the request is not pending. Other commands:
// SS_INVALID_CMD.
std::uint32_t SendASPI32Command(void* srb);

// Plugs in the device side (null: none). Waits for a delivery in progress to return
// first, so after this call the previous backend is never called again; must not be
// called from inside a backend. Requests to adapters at or above `adapterCount` are
// refused with SS_INVALID_HA.
void aspi32AttachBackend(Aspi32Backend backend, void* context, std::uint8_t adapterCount);

// Test switches. Stall on: requests are queued but never delivered or completed until
// stall is switched off or they are aborted.
void aspi32SetStall(int on);
// 0 (normal): execute requests are pending and complete later. SS_COMP: they are
// delivered on the caller's thread and SendASPI32Command returns the final status
// without setting the event. Any other value: returned at once, nothing delivered.
void aspi32SetImmediateStatus(std::uint8_t status);
void aspi32GetCounters(Aspi32Counters* out);

}  // extern "C"

}  // namespace raidmon::aspi
