#include "brake_control/brake_switch.h"

#include <string.h>

#include "brake_control/brake_settings.h"
#include "brake_control/stopped_brake_lamps.h"
#include "common/key_table.h"
#include "common/platform.h"
#include "common/plugin_entry.h"
#include "common/script_host.h"
#include "common/text_overlay.h"

namespace {

constexpr uint32_t kNotificationMs = 2000;

// Both read while the plug-in loads, DisableKey first, before DllMain registers anything.
BrakeSettings brakeSettings = {
    ReadDisableKey(),
    ReadEnableAtStart(),
};

NotificationState notification;

// Copies `count` characters of `text` (no more than fit) and ends them with a NUL.
void CopyBounded(char* dest, size_t destSize, const char* text, size_t count) {
  if (destSize == 0) return;
  if (count > destSize - 1) count = destSize - 1;
  memcpy(dest, text, count);
  dest[count] = '\0';
}

void Flip() {
  // Read afresh here, after the release test.
  notification.deadline = GetTickCount() + kNotificationMs;
  if (brakeSettings.enabled == 0) {
    CopyBounded(notification.message, sizeof notification.message, kOnText, sizeof kOnText - 1);
    brakeSettings.enabled = 1;
  } else {
    CopyBounded(notification.message, sizeof notification.message, kOffText, sizeof kOffText - 1);
    brakeSettings.enabled = 0;
  }
}

}  // namespace

void UpdateNotification() {
  const uint32_t now = GetTickCount();
  // Pending while fewer than 2000 ms have passed since the flip, told by the signed distance to
  // the deadline: `now < deadline` would hide a flip made in the last two seconds before the tick
  // wraps. A pending message is never empty, which also covers a deadline that wrapped to 0.
  const bool pending =
      notification.message[0] != '\0' && static_cast<int32_t>(notification.deadline - now) > 0;
  if (pending) {
    DrawTextLine(notification.message, kNotificationScale, kNotificationCentred, kNotificationX,
                 kNotificationY);
  } else {
    notification.message[0] = '\0';
    notification.deadline = 0;
  }
}

void RunBrakeLampLoop() {
  scriptWait(2000);
  for (;;) {
    if (ConsumeKeyRelease(brakeSettings.toggleKey)) {
      Flip();
      scriptWait(200);
    }
    if (brakeSettings.enabled == 1) ApplyStoppedBrakeLamps();
    UpdateNotification();
    scriptWait(0);
  }
}

void PluginMainLoop() { RunBrakeLampLoop(); }
