// The bridge library's exports: a control packet carried to the controller's driver
// as the data of SCSI command 0x77 through the ASPI layer. C linkage and the C calling
// convention (on 32-bit x86 the caller removes the arguments), one-byte results.
#pragma once

#include <cstdint>

// Only the three exports leave the library: on ELF systems everything else is hidden;
// on Windows the module definition file (aspilink.def) lists them by plain name.
#if defined(ASPILINK_BUILDING) && !defined(_WIN32)
#define ASPILINK_API __attribute__((visibility("default")))
#else
#define ASPILINK_API
#endif

extern "C" {

// General entry, every control code. `packet` is the caller's 2076-byte control
// packet; adapter and target use their low byte, the four parameter bytes their low
// byte, `value16` its low 16 bits; `reserved` and `token` are not used. Writes the
// header (the caller's ReturnCode is kept) and the code's request fields into the
// library's view, sends it, waits for completion and copies all 2076 bytes back.
// Returns 1 or 0 by the code's rule (probe: ReturnCode echoes the code; transfer:
// ReturnCode non-zero; the others: 1). A code the library does not carry sends
// nothing, leaves the packet alone and returns 1. A request that fails in the ASPI
// layer or does not complete within the time-out returns 0 and leaves the packet as
// the caller passed it.
ASPILINK_API std::uint8_t TavrixIoControl(std::uint32_t reserved, std::uint32_t token,
                                          std::uint32_t controlCode, std::uint32_t adapter,
                                          std::uint32_t target, std::uint8_t* packet,
                                          std::uint32_t param1, std::uint32_t param2,
                                          std::uint32_t param3, std::uint32_t param4,
                                          std::uint32_t value32, std::uint32_t value16);

// Sector transfer: the first 48 bytes of `packet` (header and 20 data bytes) go out as
// CTL_TRANSFER with the four index bytes at data offsets 0..3, `value32` (first
// sector) at 4 and `value16` (count) at 8; 48 bytes come back. 1 when the returned
// ReturnCode is non-zero. Failures as for TavrixIoControl.
ASPILINK_API std::uint8_t TavrixReadWrite(std::uint32_t token, std::uint32_t adapter,
                                          std::uint32_t target, std::uint8_t* packet,
                                          std::uint32_t param1, std::uint32_t param2,
                                          std::uint32_t param3, std::uint32_t param4,
                                          std::uint32_t value32, std::uint32_t value16);

// Flash operation: the first 180 bytes of `packet` go out with the operation's low
// byte as control code and at data offset 0, `value16` (address) at 4 and `value8`
// (parameter) at 8, both as 32-bit numbers; 180 bytes come back. 1 when the returned
// ReturnCode is non-zero. Failures as for TavrixIoControl.
ASPILINK_API std::uint8_t TavrixFlashReadWrite(std::uint32_t token, std::uint32_t adapter,
                                               std::uint32_t target, std::uint8_t* packet,
                                               std::uint32_t operation, std::uint32_t value16,
                                               std::uint32_t value8);

}  // extern "C"

namespace raidmon {

// The three exports as function pointer types, for callers that load them.
using TavrixIoControlFn = decltype(&TavrixIoControl);
using TavrixReadWriteFn = decltype(&TavrixReadWrite);
using TavrixFlashReadWriteFn = decltype(&TavrixFlashReadWrite);

// Time-out of one request: the packet's Timeout (100 s) unless K4_ASPI_TIMEOUT_MS
// holds a whole number of milliseconds from 1 to 86400000.
inline constexpr const char* kAspiTimeoutVariable = "K4_ASPI_TIMEOUT_MS";

}  // namespace raidmon
