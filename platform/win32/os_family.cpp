#include "platform/os_family.h"

#include <windows.h>

namespace raidmon {

std::uint8_t systemOsFamily() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  // Deprecated, but the platform id is all that is asked, and it tells 9x from NT.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
  if (!ok || info.dwPlatformId > 0xFF) return kOsFamilyNt;
  return static_cast<std::uint8_t>(info.dwPlatformId);
}

}  // namespace raidmon
