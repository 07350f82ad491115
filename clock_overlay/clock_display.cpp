#include "clock_overlay/clock_display.h"

#include <time.h>

#include "clock_overlay/clock_settings.h"
#include "common/key_table.h"
#include "common/native_call.h"
#include "common/platform.h"
#include "common/plugin_entry.h"
#include "common/text_overlay.h"

namespace {

// The switch key is read while the plug-in loads, before DllMain registers anything.
ClockSettings clockSettings = {
    ReadSwitchClockKey(),
    0.0f,
    0.0f,
};

int32_t clockMode = GameClock;

struct tm localTimeRecord;

float ReadPosition(const char* key, double defaultPercent) {
  return ClockPositionFromText(ReadClockPositionText(key, defaultPercent).text);
}

int32_t NextClockMode(int32_t mode) {
  switch (mode) {
    case GameClock: return RealClock;
    case RealClock: return Hidden;
    default: return GameClock;
  }
}

void DrawClockLine(const char* label, int32_t hours, int32_t minutes) {
  char line[128];
  FormatBounded(line, sizeof line, kClockLineFormat, label, hours, minutes);
  DrawTextLine(line, kClockScale, kClockCentred, clockSettings.x, clockSettings.y);
}

}  // namespace

void DrawGameClockLine() {
  const int32_t minutes = CallNativeForInt(kClockMinutes);
  const int32_t hours = CallNativeForInt(kClockHours);
  DrawClockLine(kGameClockLabel, hours, minutes);
}

void DrawRealClockLine() {
  const time_t now = time(nullptr);
  localtime_s(&localTimeRecord, &now);
  DrawClockLine(kRealClockLabel, localTimeRecord.tm_hour, localTimeRecord.tm_min);
}

void RunClockLoop() {
  scriptWait(2000);
  clockSettings.x = ReadPosition(kXCoordName, kXCoordDefaultPercent);
  clockSettings.y = ReadPosition(kYCoordName, kYCoordDefaultPercent);
  for (;;) {
    if (ConsumeKeyRelease(clockSettings.switchKey)) clockMode = NextClockMode(clockMode);
    if (clockMode == GameClock) DrawGameClockLine();
    else if (clockMode == RealClock) DrawRealClockLine();
    scriptWait(0);
  }
}

void PluginMainLoop() { RunClockLoop(); }
