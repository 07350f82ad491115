// Plays a plug-in in the emulated host through a short scenario and prints what the screen
// shows, frame by frame, changes only.
//
//   tarquel-emulator clock <path to the Linux build of Tarquel Clock>
//   tarquel-emulator haltglimmer <path to the Linux build of Tarquel HaltGlimmer>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host_emulator/scenario.h"

namespace {

using tarquel::emu::FrameRecord;
using tarquel::emu::Host;
using tarquel::emu::KeyRelease;
using tarquel::emu::Scenario;

constexpr uint32_t kPageUp = 33;
constexpr uint32_t kF12 = 123;

// Lines of the screen's changes, with notes of what the player did placed before the frame
// that first saw it.
class Timeline {
 public:
  explicit Timeline(uint32_t baseTick) : baseTick_(baseTick) {}
  void Note(const Host& host, const std::string& what) {
    notes_.push_back({host.Frames().size() + 1, "+" + std::to_string(host.Tick() - baseTick_) + " ms: " + what});
  }
  void Print(const Host& host) const {
    const std::vector<std::string> changes = tarquel::emu::VisibleChanges(host.Frames(), baseTick_);
    size_t note = 0;
    for (const std::string& line : changes) {
      const uint64_t frame = std::stoull(line.substr(std::strlen("frame ")));
      for (; note < notes_.size() && notes_[note].first <= frame; ++note)
        std::printf("%s\n", notes_[note].second.c_str());
      std::printf("%s\n", line.c_str());
    }
    for (; note < notes_.size(); ++note) std::printf("%s\n", notes_[note].second.c_str());
  }

 private:
  uint32_t baseTick_;
  std::vector<std::pair<uint64_t, std::string>> notes_;
};

// No settings file; the game clock at 07:05; Page Up released at 3 s and again at 5 s.
// Loads the plug-in with no settings file, lets `play` drive it, prints what the player saw and
// unloads it. Fails when the host saw anything the real one would not take.
int Play(const std::string& plugin, const char* title, const std::function<void(Host&, Timeline&)>& play) {
  Scenario scenario(plugin);
  scenario.Load();
  Host& host = scenario.host();
  Timeline timeline(host.Tick());
  std::printf("%s\n", title);
  host.RunFrame(0);  // the script starts in the frame the plug-in is loaded in
  play(host, timeline);
  timeline.Print(host);
  scenario.Unload();
  const std::vector<std::string> violations = host.Violations();
  for (const std::string& violation : violations) std::fprintf(stderr, "violation: %s\n", violation.c_str());
  return violations.empty() ? 0 : 1;
}

// The game clock at 07:05; Page Up released at 3 s and again at 5 s.
int PlayClock(const std::string& plugin) {
  return Play(plugin, "Tarquel Clock, no settings file, game clock at 07:05", [](Host& host, Timeline& timeline) {
    host.World().clockHours = 7;
    host.World().clockMinutes = 5;
    host.RunFor(3000);
    timeline.Note(host, "Page Up released");
    host.SendKey(KeyRelease(kPageUp));
    host.RunFor(2000);
    timeline.Note(host, "Page Up released");
    host.SendKey(KeyRelease(kPageUp));
    host.RunFor(1000);
  });
}

// The player gets into a vehicle that stops, moves off, then tows a trailer that stops; F12
// switches the feature off, and later on again.
int PlayHaltGlimmer(const std::string& plugin) {
  return Play(plugin, "Tarquel HaltGlimmer, no settings file", [](Host& host, Timeline& timeline) {
    tarquel::emu::GameWorld& world = host.World();
    auto step = [&](uint32_t ms, const char* what, const std::function<void()>& change) {
      host.RunFor(ms);
      timeline.Note(host, what);
      change();
    };
    std::printf("vehicle %d, trailer %d\n", world.vehicle, world.trailer);
    step(2500, "the player gets into a moving vehicle", [&] { world.inVehicle = true; });
    step(1000, "the vehicle stops", [&] { world.vehicleStopped = true; });
    step(1000, "the vehicle moves off", [&] { world.vehicleStopped = false; });
    step(1000, "a trailer is hitched", [&] { world.trailerAttached = true; });
    step(1000, "the trailer stops (the vehicle rolls on)", [&] { world.trailerStopped = true; });
    step(1000, "F12 released", [&] { host.SendKey(KeyRelease(kF12)); });
    step(3000, "F12 released", [&] { host.SendKey(KeyRelease(kF12)); });
    host.RunFor(3000);
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::map<std::string, std::function<int(const std::string&)>> scenarios = {
      {"clock", PlayClock}, {"haltglimmer", PlayHaltGlimmer}};
  if (argc != 3 || !scenarios.contains(argv[1])) {
    std::fprintf(stderr, "usage: %s clock|haltglimmer <plug-in>\n", argv[0]);
    return 2;
  }
  try {
    return scenarios.at(argv[1])(argv[2]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
  }
}
