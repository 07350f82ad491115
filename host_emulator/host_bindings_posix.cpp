// The script host's functions and the Win32 functions a plug-in imports, as this process
// provides them to a plug-in built for Linux: each forwards to the one emulated host.
#include <unistd.h>

#include <cstdio>

#include "common/script_host.h"
#include "host_emulator/host.h"
#include "host_emulator/platform_binding.h"
#include "host_emulator/profile_reader.h"

using tarquel::emu::Host;

void scriptRegister(HMODULE module, ScriptEntryFunction entry) { Host::Instance().ScriptRegister(module, entry); }

void scriptUnregister(ScriptEntryFunction entry) { Host::Instance().ScriptUnregister(entry); }

void keyboardHandlerRegister(KeyboardHandlerFunction handler) { Host::Instance().KeyboardRegister(handler); }

void keyboardHandlerUnregister(KeyboardHandlerFunction handler) { Host::Instance().KeyboardUnregister(handler); }

void scriptWait(DWORD ms) { Host::Instance().ScriptWait(ms); }

void nativeInit(UINT64 hash) { Host::Instance().NativeInit(hash); }

void nativePush64(UINT64 slot) { Host::Instance().NativePush(slot); }

PUINT64 nativeCall() { return Host::Instance().NativeCall(); }

extern "C" DWORD GetTickCount() { return Host::Instance().Tick(); }

extern "C" UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
  return Host::Instance().ProfileInt(section, key, defaultValue, fileName);
}

extern "C" DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out,
                                          DWORD size, LPCSTR fileName) {
  return Host::Instance().ProfileString(section, key, defaultValue, out, size, fileName);
}

namespace tarquel::emu {

// The plug-ins link against this library's exports directly: nothing to bind.
void BindToPlatform(Host&) {}

bool HostIsWine() { return false; }

uint64_t CommittedMemoryBytes() {
  // Pages mapped and touched: the resident set of /proc/self/statm, its second field.
  unsigned long long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%llu %llu", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return static_cast<uint64_t>(resident) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

uint32_t ReadProfileInt(const Host& host, const char* section, const char* key, int32_t defaultValue,
                        const char* fileName) {
  const std::string path =
      ResolveProfilePath(fileName != nullptr ? fileName : "", host.CurrentDirectory(), host.WindowsDirectory());
  return ProfileGetInt(path, section, key, defaultValue);
}

uint32_t ReadProfileString(const Host& host, const char* section, const char* key, const char* defaultValue,
                           char* out, uint32_t size, const char* fileName) {
  const std::string path =
      ResolveProfilePath(fileName != nullptr ? fileName : "", host.CurrentDirectory(), host.WindowsDirectory());
  return ProfileGetString(path, section, key, defaultValue, out, size);
}

}  // namespace tarquel::emu
