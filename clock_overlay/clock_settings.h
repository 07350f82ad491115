// How Tarquel Clock reads its settings file. The plug-in and the settings checker both read
// through these functions, so that the checker reports what the plug-in will really get.
//
// The file is "./asi/Tarquel Clock.ini", relative to the process's current directory (the
// game's folder), section "Settings"; nothing here ever writes it. A missing file, section or
// key gives the default.
#pragma once

#include <stdint.h>

inline constexpr char kClockSettingsFile[] = "./asi/Tarquel Clock.ini";
inline constexpr char kClockSettingsSection[] = "Settings";
inline constexpr char kSwitchClockKeyName[] = "SwitchClockKey";
inline constexpr char kXCoordName[] = "XCoord";
inline constexpr char kYCoordName[] = "YCoord";
inline constexpr uint32_t kSwitchClockKeyDefault = 33;  // Page Up
inline constexpr double kXCoordDefaultPercent = 89.0;
inline constexpr double kYCoordDefaultPercent = 1.0;

// The position's text as the plug-in reads it: 63 characters at most.
struct ClockPositionText {
  char text[64];
};

// SwitchClockKey with GetPrivateProfileIntA: a virtual-key code, wrapped to 32 bits.
uint32_t ReadSwitchClockKey();

// XCoord or YCoord with GetPrivateProfileStringA into a 64-byte buffer. The default is made as
// text ("89.000000"), the way a value in the file would be written, and read back with the rest.
ClockPositionText ReadClockPositionText(const char* key, double defaultPercent);

// The text's leading number (with atof's rules, a point as decimal separator whatever the
// locale; no number gives 0), narrowed to float, times 0.01: a fraction of the screen.
float ClockPositionFromText(const char* text);
