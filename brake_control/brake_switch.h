// Tarquel HaltGlimmer's main loop: the feature's on/off switch, flipped at each release of the
// hot key, and the ON or OFF message at the bottom centre of the screen for two seconds after
// each flip. While the switch is on, the stopped-vehicle routine runs once per frame.
//
// Settings, from "./asi/Tarquel HaltGlimmer.ini", section "Settings", both read once at load (the
// plug-in never writes the file):
//   DisableKey     virtual-key code of the hot key      default 123 (F12); 255 or more never fires
//   EnableAtStart  1 starts the feature on, 0 off       default 1
// Values are used as read: any start value other than 0 and 1 leaves the feature off, and the
// first release then treats it as on (shows OFF).
#pragma once

#include <stdint.h>

// The notification: one of the two texts, drawn at scale 0.5, centred on x 0.5, top at y 0.94.
inline constexpr char kOnText[] = "HaltGlimmer Mod ~g~ON";
inline constexpr char kOffText[] = "HaltGlimmer Mod ~r~OFF";
inline constexpr float kNotificationScale = 0.5f;
inline constexpr int32_t kNotificationCentred = 1;
inline constexpr float kNotificationX = 0.5f;
inline constexpr float kNotificationY = 0.94f;

struct BrakeSettings {
  uint32_t toggleKey;  // only 0 to 254 can fire
  int32_t enabled;     // 1 on, 0 off; until the first flip it holds the value read
};

struct NotificationState {
  char message[256];  // the text drawn while a notification is pending, else empty
  uint32_t deadline;  // GetTickCount value at which the message stops; 0 when none is pending
};

// Waits 2000 ms, then one pass per frame: a hot-key release flips the switch, sets the message
// and waits 200 ms; the routine runs while the switch is on; the notification is drawn or
// cleared; scriptWait(0). Never returns.
void RunBrakeLampLoop();

// Draws the pending message for this frame, or clears it once two seconds have passed since
// the flip. The empty message is never drawn.
void UpdateNotification();
