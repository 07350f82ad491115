#include "common/plugin_entry.h"

#include "common/key_table.h"
#include "common/script_host.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    scriptRegister(module, ScriptEntry);
    keyboardHandlerRegister(KeyboardCallback);
  } else if (reason == DLL_PROCESS_DETACH) {
    scriptUnregister(ScriptEntry);
    keyboardHandlerUnregister(KeyboardCallback);
  }
  return 1;
}

void ScriptEntry() { PluginMainLoop(); }
