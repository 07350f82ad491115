// The emulated host on Windows: binds itself to our stand-in for the script host's DLL, and
// supplies the functions a loaded plug-in's imports are pointed at (the tick, and settings reads
// that are recorded on their way to the system's own profile functions).
#include <windows.h>
#include <psapi.h>

#include "host_emulator/host.h"
#include "host_emulator/platform_binding.h"
#include "host_emulator/plugin_imports_win32.h"
#include "host_emulator/script_host_stand_in.h"

namespace tarquel::emu {

namespace {

using HandlerFn = void (*)(DWORD, WORD, BYTE, BOOL, BOOL, BOOL, BOOL);

// The Win32 callback takes DWORD, which is unsigned long here; the host's own type is uint32_t.
HandlerFn registeredHandler = nullptr;

void ThunkKeyboard(uint32_t key, uint16_t repeats, uint8_t scanCode, int32_t extended, int32_t altHeld,
                   int32_t previouslyDown, int32_t released) {
  if (registeredHandler != nullptr) registeredHandler(key, repeats, scanCode, extended, altHeld, previouslyDown, released);
}

const ScriptHostCalls kCalls = {
    [](HMODULE module, void (*entry)()) { Host::Instance().ScriptRegister(module, entry); },
    [](void (*entry)()) { Host::Instance().ScriptUnregister(entry); },
    [](HandlerFn handler) {
      // The host keeps one callback; remember the plug-in's and register our thunk in its place.
      registeredHandler = handler;
      Host::Instance().KeyboardRegister(handler != nullptr ? ThunkKeyboard : nullptr);
    },
    [](HandlerFn handler) {
      Host::Instance().KeyboardUnregister(handler == registeredHandler && handler != nullptr ? ThunkKeyboard
                                                                                            : nullptr);
      if (handler == registeredHandler) registeredHandler = nullptr;
    },
    [](DWORD ms) { Host::Instance().ScriptWait(ms); },
    [](UINT64 hash) { Host::Instance().NativeInit(hash); },
    [](UINT64 slot) { Host::Instance().NativePush(slot); },
    []() -> PUINT64 { return Host::Instance().NativeCall(); },
};

DWORD WINAPI EmulatedGetTickCount() { return Host::Instance().Tick(); }

UINT WINAPI RecordedGetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
  return Host::Instance().ProfileInt(section, key, defaultValue, fileName);
}

DWORD WINAPI RecordedGetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out,
                                              DWORD size, LPCSTR fileName) {
  return Host::Instance().ProfileString(section, key, defaultValue, out, size, fileName);
}

}  // namespace

void BindToPlatform(Host&) { TarquelBindScriptHost(&kCalls); }

uint64_t CommittedMemoryBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  // Wine fills the pagefile figure, which is what Windows commits for the process too.
  return counters.PagefileUsage;
}

bool HostIsWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

std::vector<ImportReplacement> PluginImportReplacements(bool emulatedTick) {
  std::vector<ImportReplacement> replacements = {
      {"GetPrivateProfileIntA", reinterpret_cast<void*>(&RecordedGetPrivateProfileIntA)},
      {"GetPrivateProfileStringA", reinterpret_cast<void*>(&RecordedGetPrivateProfileStringA)},
  };
  if (emulatedTick) replacements.push_back({"GetTickCount", reinterpret_cast<void*>(&EmulatedGetTickCount)});
  return replacements;
}

uint32_t ReadProfileInt(const Host&, const char* section, const char* key, int32_t defaultValue,
                        const char* fileName) {
  return ::GetPrivateProfileIntA(section, key, defaultValue, fileName);
}

uint32_t ReadProfileString(const Host&, const char* section, const char* key, const char* defaultValue,
                           char* out, uint32_t size, const char* fileName) {
  return ::GetPrivateProfileStringA(section, key, defaultValue, out, size, fileName);
}

}  // namespace tarquel::emu
