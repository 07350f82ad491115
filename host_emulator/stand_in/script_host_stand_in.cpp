// Our stand-in for the script host's DLL, for running plug-ins on Windows and under Wine: the
// host's eight functions, exported under the names the plug-ins import, each forwarded to the
// emulator that bound itself.
#define SCRIPT_HOST_API extern "C"
#define TARQUEL_STAND_IN_API __declspec(dllexport)
#include "common/script_host.h"
#include "host_emulator/script_host_stand_in.h"

namespace {
const ScriptHostCalls* bound = nullptr;
UINT64 unboundSlot = 0;
}  // namespace

void TarquelBindScriptHost(const ScriptHostCalls* calls) { bound = calls; }

void scriptRegister(HMODULE module, ScriptEntryFunction entry) {
  if (bound != nullptr) bound->scriptRegister(module, entry);
}
void scriptUnregister(ScriptEntryFunction entry) {
  if (bound != nullptr) bound->scriptUnregister(entry);
}
void keyboardHandlerRegister(KeyboardHandlerFunction handler) {
  if (bound != nullptr) bound->keyboardHandlerRegister(handler);
}
void keyboardHandlerUnregister(KeyboardHandlerFunction handler) {
  if (bound != nullptr) bound->keyboardHandlerUnregister(handler);
}
void scriptWait(DWORD ms) {
  if (bound != nullptr) bound->scriptWait(ms);
}
void nativeInit(UINT64 hash) {
  if (bound != nullptr) bound->nativeInit(hash);
}
void nativePush64(UINT64 slot) {
  if (bound != nullptr) bound->nativePush64(slot);
}
PUINT64 nativeCall() { return bound != nullptr ? bound->nativeCall() : &unboundSlot; }
