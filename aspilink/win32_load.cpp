// The bridge library's load and unload on Windows: DllMain. A library that cannot
// attach fails its load (FALSE from process attach), so LoadLibrary fails and a program
// that imports it does not start.
#include <windows.h>

#include "aspilink/bridge_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(instance);  // thread attach and detach do nothing
      return raidmon::bridge::attachProcess() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      // A FreeLibrary (reserved null) takes the state down. When the process is ending
      // (reserved set) the other threads are gone, perhaps in the middle of a request,
      // and the system takes the view, the event and the memory back itself.
      if (reserved == nullptr) raidmon::bridge::detachProcess();
      return TRUE;
    default:
      return TRUE;
  }
}
