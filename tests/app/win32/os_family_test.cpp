// The OS family from the version API (Windows only). Wine reports the NT platform;
// told to report Windows 98 for one executable (its AppDefaults key), it reports the
// 9x platform, so a copy of this program under another name shows the 9x side.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/app_options.h"
#include "platform/os_family.h"
#include "support/temp_dir.h"

namespace raidmon {
namespace {

constexpr const char* kProbeVariable = "RAIDMON_OS_FAMILY_PROBE";

// Run only inside the copy: writes the system's family, the default the command line
// takes from it, and the family with the variable and with the option.
TEST(OsFamilyProbe, WritesWhatThisProcessSees) {
  const char* out = std::getenv(kProbeVariable);
  if (out == nullptr) GTEST_SKIP() << "only in the probe's own run";
  std::ofstream file(out);
  file << int(systemOsFamily()) << ' ' << int(parseAppOptions({}, std::nullopt)->osFamily) << ' '
       << int(parseAppOptions({}, std::string("nt"))->osFamily) << ' '
       << int(parseAppOptions({"--os-family=nt"}, std::string("9x"))->osFamily) << '\n';
}

bool underWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Runs the program `exe` with `arguments`; false when it does not start or does not
// end within a minute.
bool runCopy(const std::string& exe, const std::string& arguments) {
  std::string commandLine = "\"" + exe + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended;
}

TEST(SystemOsFamily, TheVersionApiChoosesTheFamilyAndOverridesStillWin) {
  EXPECT_EQ(systemOsFamily(), kOsFamilyNt);  // Wine, and any Windows this runs on
  if (!underWine()) GTEST_SKIP() << "reporting another Windows version needs Wine";

  char self[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  ASSERT_TRUE(n > 0 && n < MAX_PATH);
  test::TempDir dir("raidmon_os_family");
  const std::string name = "raidmon_os_probe_" + std::to_string(GetCurrentProcessId()) + ".exe";
  const std::string copy = dir.file(name);
  ASSERT_TRUE(CopyFileA(self, copy.c_str(), TRUE));
  const std::string key = "Software\\Wine\\AppDefaults\\" + name;
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h,
                            nullptr),
            ERROR_SUCCESS);
  const char version[] = "win98";
  const LONG set = RegSetValueExA(h, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                  sizeof version);
  RegCloseKey(h);

  const std::string out = dir.file("families.txt");
  SetEnvironmentVariableA(kProbeVariable, out.c_str());
  const bool ran = runCopy(copy, "--gtest_filter=OsFamilyProbe.*");
  SetEnvironmentVariableA(kProbeVariable, nullptr);
  RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  ASSERT_EQ(set, ERROR_SUCCESS);
  ASSERT_TRUE(ran);

  std::ifstream file(out);
  std::stringstream seen;
  seen << file.rdbuf();
  // The 9x platform: the 9x family by default; K4_OS_FAMILY and --os-family still win.
  EXPECT_EQ(seen.str(), "1 1 2 2\n");
}

}  // namespace
}  // namespace raidmon
