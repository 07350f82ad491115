// What the host core takes from the platform it runs on. One source file per platform defines
// these, beside the rest of that platform's binding.
#pragma once

#include <cstdint>

namespace tarquel::emu {

class Host;

// Called once, when the host comes to be: connects it to whatever the plug-ins call.
void BindToPlatform(Host& host);

// Whether the host runs under Wine, for the few results where Wine is known to differ from
// Windows (and from the emulator, which follows Windows).
bool HostIsWine();

// The memory the process has committed, in bytes: for telling whether loading and unloading a
// plug-in again and again leaves anything behind.
uint64_t CommittedMemoryBytes();

// A settings read as the plug-in asked for it: off Windows from the emulator's own reader over the
// host's current directory; on Windows from the system's profile functions themselves.
uint32_t ReadProfileInt(const Host& host, const char* section, const char* key, int32_t defaultValue,
                        const char* fileName);
uint32_t ReadProfileString(const Host& host, const char* section, const char* key, const char* defaultValue,
                           char* out, uint32_t size, const char* fileName);

}  // namespace tarquel::emu
