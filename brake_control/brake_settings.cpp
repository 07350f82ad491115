#include "brake_control/brake_settings.h"

#include "common/platform.h"

uint32_t ReadDisableKey() {
  return GetPrivateProfileIntA(kHaltGlimmerSettingsSection, kDisableKeyName,
                               static_cast<INT>(kDisableKeyDefault), kHaltGlimmerSettingsFile);
}

int32_t ReadEnableAtStart() {
  return static_cast<int32_t>(GetPrivateProfileIntA(kHaltGlimmerSettingsSection, kEnableAtStartName,
                                                    kEnableAtStartDefault, kHaltGlimmerSettingsFile));
}
