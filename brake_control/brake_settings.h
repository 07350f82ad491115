// How Tarquel HaltGlimmer reads its settings file. The plug-in and the settings checker both
// read through these functions, so that the checker reports what the plug-in will really get.
//
// The file is "./asi/Tarquel HaltGlimmer.ini", relative to the process's current directory (the
// game's folder), section "Settings"; nothing here ever writes it. A missing file, section or
// key gives the default.
#pragma once

#include <stdint.h>

inline constexpr char kHaltGlimmerSettingsFile[] = "./asi/Tarquel HaltGlimmer.ini";
inline constexpr char kHaltGlimmerSettingsSection[] = "Settings";
inline constexpr char kDisableKeyName[] = "DisableKey";
inline constexpr char kEnableAtStartName[] = "EnableAtStart";
inline constexpr uint32_t kDisableKeyDefault = 123;  // F12
inline constexpr int32_t kEnableAtStartDefault = 1;

// DisableKey with GetPrivateProfileIntA: a virtual-key code, wrapped to 32 bits.
uint32_t ReadDisableKey();

// EnableAtStart with GetPrivateProfileIntA, as the signed value the switch keeps.
int32_t ReadEnableAtStart();
