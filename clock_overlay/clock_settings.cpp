#include "clock_overlay/clock_settings.h"

#include "clock_overlay/locale_free_number.h"
#include "common/platform.h"

uint32_t ReadSwitchClockKey() {
  return GetPrivateProfileIntA(kClockSettingsSection, kSwitchClockKeyName,
                               static_cast<INT>(kSwitchClockKeyDefault), kClockSettingsFile);
}

ClockPositionText ReadClockPositionText(const char* key, double defaultPercent) {
  char defaultText[64];
  FormatDecimalF(defaultText, sizeof defaultText, defaultPercent);
  ClockPositionText value = {""};
  GetPrivateProfileStringA(kClockSettingsSection, key, defaultText, value.text, sizeof value.text,
                           kClockSettingsFile);
  return value;
}

float ClockPositionFromText(const char* text) {
  return static_cast<float>(ParseDecimalAtof(text)) * 0.01f;
}
