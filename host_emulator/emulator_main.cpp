// Plays a plug-in in the emulated host through a short scenario and prints what the screen
// shows, frame by frame, changes only.
//
//   tarquel-emulator clock <path to the Linux build of Tarquel Clock>
//   tarquel-emulator haltglimmer <path to the Linux build of Tarquel HaltGlimmer>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host_emulator/default_scenarios.h"
#include "host_emulator/scenario.h"

namespace {

using tarquel::emu::Host;
using tarquel::emu::Scenario;

// Lines of the screen's changes, with notes of what the player did placed before the frame
// that first saw it.
class Timeline {
 public:
  explicit Timeline(uint32_t baseTick) : baseTick_(baseTick) {}
  void Note(const Host& host, const std::string& what) {
    notes_.push_back({host.Frames().size() + 1, "+" + std::to_string(host.Tick() - baseTick_) + " ms: " + what});
  }
  void Print(const Host& host) const {
    size_t note = 0;
    for (const tarquel::emu::VisibleChange& change : tarquel::emu::VisibleChanges(host.Frames(), baseTick_)) {
      for (; note < notes_.size() && notes_[note].first <= change.frame; ++note)
        std::printf("%s\n", notes_[note].second.c_str());
      std::printf("%s\n", change.line.c_str());
    }
    for (; note < notes_.size(); ++note) std::printf("%s\n", notes_[note].second.c_str());
  }

 private:
  uint32_t baseTick_;
  std::vector<std::pair<uint64_t, std::string>> notes_;
};

// Loads the plug-in with no settings file, plays its default scenario, prints what the player
// saw and unloads it. Fails when the host saw anything the real one would not take.
int Play(const std::string& plugin, const std::string& title,
         void (*play)(Host&, const tarquel::emu::PlayerAction&)) {
  Scenario scenario(plugin);
  scenario.Load();
  Host& host = scenario.host();
  Timeline timeline(host.Tick());
  std::printf("%s\n", title.c_str());
  play(host, [&](const std::string& what) { timeline.Note(host, what); });
  timeline.Print(host);
  scenario.Unload();
  const std::vector<std::string> violations = host.Violations();
  for (const std::string& violation : violations) std::fprintf(stderr, "violation: %s\n", violation.c_str());
  return violations.empty() ? 0 : 1;
}

int PlayClock(const std::string& plugin) {
  return Play(plugin, "Tarquel Clock, no settings file, game clock at 07:05", tarquel::emu::PlayClockDefault);
}

int PlayHaltGlimmer(const std::string& plugin) {
  const tarquel::emu::GameWorld world;
  return Play(plugin,
              "Tarquel HaltGlimmer, no settings file, vehicle " + std::to_string(world.vehicle) + ", trailer " +
                  std::to_string(world.trailer),
              tarquel::emu::PlayHaltGlimmerDefault);
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
