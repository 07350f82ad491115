#include "host_emulator/default_scenarios.h"

namespace tarquel::emu {

namespace {

constexpr uint32_t kPageUp = 33;
constexpr uint32_t kF12 = 123;

// Plays on for `ms`, then does `what`.
void After(Host& host, const PlayerAction& told, uint32_t ms, const std::string& what,
           const std::function<void()>& action) {
  host.RunFor(ms);
  if (told) told(what);
  action();
}

}  // namespace

void PlayClockDefault(Host& host, const PlayerAction& told) {
  host.World().clockHours = 7;
  host.World().clockMinutes = 5;
  host.RunFrame(0);
  After(host, told, 3000, "Page Up released", [&] { host.SendKey(KeyRelease(kPageUp)); });
  After(host, told, 2000, "Page Up released", [&] { host.SendKey(KeyRelease(kPageUp)); });
  host.RunFor(1000);
}

void PlayHaltGlimmerDefault(Host& host, const PlayerAction& told) {
  GameWorld& world = host.World();
  host.RunFrame(0);
  After(host, told, 2500, "the player gets into a moving vehicle", [&] { world.inVehicle = true; });
  After(host, told, 1000, "the vehicle stops", [&] { world.vehicleStopped = true; });
  After(host, told, 1000, "the vehicle moves off", [&] { world.vehicleStopped = false; });
  After(host, told, 1000, "a trailer is hitched", [&] { world.trailerAttached = true; });
  After(host, told, 1000, "the trailer stops, the vehicle rolls on", [&] { world.trailerStopped = true; });
  After(host, told, 1000, "F12 released", [&] { host.SendKey(KeyRelease(kF12)); });
  After(host, told, 3000, "F12 released", [&] { host.SendKey(KeyRelease(kF12)); });
  host.RunFor(3000);
}

}  // namespace tarquel::emu
