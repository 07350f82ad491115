// A plug-in made for testing the shared frame on its own: the real frame with a main loop that
// shows, in one line at the notification's place, what the frame handed it. Each pass counts the
// fresh releases of its key and asks the world for the player's vehicle and trailer.
#include "common/key_table.h"
#include "common/native_call.h"
#include "common/platform.h"
#include "common/plugin_entry.h"
#include "common/text_overlay.h"

namespace {

const uint32_t probeKey = GetPrivateProfileIntA("Settings", "ProbeKey", 33, "./asi/Tarquel Probe.ini");
int32_t releases = 0;

}  // namespace

void PluginMainLoop() {
  scriptWait(2000);
  for (;;) {
    if (ConsumeKeyRelease(probeKey)) ++releases;
    const int32_t character = CallNativeForInt(kPlayerCharacter);
    const int32_t vehicle = CallNativeForInt(kVehicleCharacterIsUsing, character);
    uint64_t cell = 0;
    const int32_t towing = CallNativeForInt(kVehicleTrailer, vehicle, &cell);
    char line[256];
    FormatBounded(line, sizeof line, "releases %d character %d vehicle %d trailer %d", releases, character,
                  vehicle, towing != 0 ? ReadNativeResult(&cell) : 0);
    DrawTextLine(line, 0.5f, 1, 0.5f, 0.94f);
    scriptWait(0);
  }
}
