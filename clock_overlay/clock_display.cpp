#include "clock_overlay/clock_display.h"

#include <time.h>

#include "clock_overlay/locale_free_number.h"
#include "common/key_table.h"
#include "common/native_call.h"
#include "common/platform.h"
#include "common/plugin_entry.h"
#include "common/text_overlay.h"

namespace {

const char kSettingsFile[] = "./asi/Tarquel Clock.ini";
const char kSection[] = "Settings";
constexpr float kClockScale = 0.3f;

// The switch key is read while the plug-in loads, before DllMain registers anything.
ClockSettings clockSettings = {
    GetPrivateProfileIntA(kSection, "SwitchClockKey", 33, kSettingsFile),
    0.0f,
    0.0f,
};

int32_t clockMode = GameClock;

struct tm localTimeRecord;

// A position in percent, as a fraction of the screen. The default is made as text, the way a
// value in the file would be written, and parsed back with everything else.
float ReadPosition(const char* key, double defaultPercent) {
  char defaultText[64];
  FormatDecimalF(defaultText, sizeof defaultText, defaultPercent);
  char value[64] = "";
  GetPrivateProfileStringA(kSection, key, defaultText, value, sizeof value, kSettingsFile);
  return static_cast<float>(ParseDecimalAtof(value)) * 0.01f;
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
  FormatBounded(line, sizeof line, "%s%02d:%02d", label, hours, minutes);
  DrawTextLine(line, kClockScale, 0, clockSettings.x, clockSettings.y);
}

}  // namespace

void DrawGameClockLine() {
  const int32_t minutes = CallNativeForInt(kClockMinutes);
  const int32_t hours = CallNativeForInt(kClockHours);
  DrawClockLine("~g~Game Clock: ~y~", hours, minutes);
}

void DrawRealClockLine() {
  const time_t now = time(nullptr);
  localtime_s(&localTimeRecord, &now);
  DrawClockLine("~r~Real Clock: ~y~", localTimeRecord.tm_hour, localTimeRecord.tm_min);
}

void RunClockLoop() {
  scriptWait(2000);
  clockSettings.x = ReadPosition("XCoord", 89.0);
  clockSettings.y = ReadPosition("YCoord", 1.0);
  for (;;) {
    if (ConsumeKeyRelease(clockSettings.switchKey)) clockMode = NextClockMode(clockMode);
    if (clockMode == GameClock) DrawGameClockLine();
    else if (clockMode == RealClock) DrawRealClockLine();
    scriptWait(0);
  }
}

void PluginMainLoop() { RunClockLoop(); }
