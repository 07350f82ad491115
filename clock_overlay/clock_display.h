// Tarquel Clock: one line per frame showing the game's clock, the computer's local time, or
// nothing; each release of the switch key steps to the next of the three.
//
// Settings, from "./asi/Tarquel Clock.ini", section "Settings" (the plug-in never writes it):
//   SwitchClockKey  virtual-key code, read once at load              default 33 (Page Up)
//   XCoord, YCoord  position in percent of the screen, read when      default 89 and 1
//                   the loop starts, 2000 ms after it was entered
// A position that does not begin with a number gives 0; text after a leading number is
// ignored; positions are not clamped. Numbers always use the point, whatever the locale.
#pragma once

#include <stdint.h>

struct ClockSettings {
  uint32_t switchKey;  // only 0 to 254 can ever fire
  float x;             // fraction of the screen's width from its left edge
  float y;             // fraction of the screen's height from its top edge
};

// How the clock line looks: its labels, "%s%02d:%02d" with the label, the hours and the minutes,
// drawn at scale 0.3, not centred, its left edge at x and its top at y.
inline constexpr char kGameClockLabel[] = "~g~Game Clock: ~y~";
inline constexpr char kRealClockLabel[] = "~r~Real Clock: ~y~";
inline constexpr char kClockLineFormat[] = "%s%02d:%02d";
inline constexpr float kClockScale = 0.3f;
inline constexpr int32_t kClockCentred = 0;

enum ClockMode : int32_t {
  GameClock = 0,  // the mode at every load; never saved
  RealClock = 1,
  Hidden = 2,
};

// The plug-in's main loop: waits 2000 ms, reads the position, then one pass per frame: a switch
// key release advances the mode (shown in that same frame), the mode's line is drawn, and the
// frame is handed back with scriptWait(0). Never returns.
void RunClockLoop();

// "~g~Game Clock: ~y~HH:MM" from the game's clock, minutes asked before hours.
void DrawGameClockLine();

// "~r~Real Clock: ~y~HH:MM" from the computer's local time.
void DrawRealClockLine();
