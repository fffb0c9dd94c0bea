// The layer's load on Windows. Its worker thread runs the library's code until the
// process ends, so the library pins itself when it is loaded: no FreeLibrary unloads
// it (on ELF systems the link does the same with -z nodelete).
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&DllMain), &self)) {
      return FALSE;
    }
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
