// Both plug-ins against settings files that no editor should produce: binary and NUL bytes,
// megabyte lines, byte-order marks, odd line endings, key codes and positions at and past every
// limit, a directory or a locked file in the file's place. Each file is written as the settings
// file of both plug-ins; each must load, run some hundreds of frames while hot keys are released,
// and do exactly what the values read from the file say, with nothing the host would refuse.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "tests/support/fixture_files.h"
#include "tests/support/held_file.h"
#include "tests/support/plugin_test.h"

namespace tarquel::test {
namespace {

const char kClockFile[] = "Tarquel Clock.ini";
const char kBrakeFile[] = "Tarquel HaltGlimmer.ini";
const std::string kGameLabel = "~g~Game Clock: ~y~";
const std::string kRealLabel = "~r~Real Clock: ~y~";
const std::string kOnText = "HaltGlimmer Mod ~g~ON";
const std::string kOffText = "HaltGlimmer Mod ~r~OFF";
constexpr int kFrames = 300;

// A position as the file should give it, in percent: a number, or inf, -inf or nan.
struct Percent {
  std::string text;

  // What the clock must pass to the draw native: the percent narrowed to single precision and
  // scaled by 0.01f in single precision; non-finite values pass through as they are.
  float Expected() const {
    if (text == "inf") return INFINITY;
    if (text == "-inf") return -INFINITY;
    if (text == "nan") return NAN;
    return static_cast<float>(std::strtod(text.c_str(), nullptr)) * 0.01f;
  }
  // Bit-exact for numbers (so -0 and 0 differ), by class for nan.
  bool Matches(float actual) const {
    const float expected = Expected();
    if (std::isnan(expected)) return std::isnan(actual);
    return std::bit_cast<uint32_t>(actual) == std::bit_cast<uint32_t>(expected);
  }
};

std::optional<uint32_t> KeyCode(const std::string& text) {
  if (text == "none") return std::nullopt;
  return static_cast<uint32_t>(std::stoul(text));
}

struct HostileFixture {
  std::string name;
  std::string bytes;  // as written, directives expanded
  std::string make;   // "", "directory" or "locked"
  std::optional<uint32_t> switchKey, toggleKey;  // nullopt: that hot key never fires
  Percent x, y;
  bool runs = false;                 // whether the brake-light routine runs from the start
  std::optional<std::string> first;  // the message of the first flip
};

// "; expect: switch=<code|none> x%=<p> y%=<p> toggle=<code|none> runs=<yes|no> first=<ON|OFF|none>"
std::vector<HostileFixture> LoadHostileFixtures() {
  const std::regex expect(
      R"(; expect: switch=(\w+) x%=(\S+) y%=(\S+) toggle=(\w+) runs=(yes|no) first=(ON|OFF|none))");
  std::vector<HostileFixture> fixtures;
  for (FixtureFile& file : ReadFixtures("hostile", expect)) {
    HostileFixture fixture{.name = file.name,
                           .bytes = ExpandFixture(file.content),
                           .make = FixtureDirective(file.content, "make").value_or(""),
                           .switchKey = KeyCode(file.expect[0]),
                           .toggleKey = KeyCode(file.expect[3]),
                           .x = {file.expect[1]},
                           .y = {file.expect[2]},
                           .runs = file.expect[4] == "yes",
                           .first = std::nullopt};
    if (file.expect[5] != "none") fixture.first = file.expect[5] == "ON" ? kOnText : kOffText;
    if (fixture.make != "" && fixture.make != "directory" && fixture.make != "locked")
      ADD_FAILURE() << fixture.name << ": unknown directive make: " << fixture.make;
    // A fixture must not contradict itself: the routine runs only while the switch holds 1, so a
    // first flip to ON needs a start value of 0, which never runs.
    if (fixture.first == kOnText && fixture.runs) ADD_FAILURE() << fixture.name << ": first=ON with runs=yes";
    if (!fixture.toggleKey && fixture.first) ADD_FAILURE() << fixture.name << ": a first message without a toggle key";
    if (fixture.toggleKey && !fixture.first) ADD_FAILURE() << fixture.name << ": a toggle key without a first message";
    fixtures.push_back(std::move(fixture));
  }
  return fixtures;
}

const std::vector<HostileFixture>& HostileFixtures() {
  static const std::vector<HostileFixture> fixtures = LoadHostileFixtures();
  return fixtures;
}

// The key released before frame `frame`, if any: every tenth frame one of the fixture's own hot
// keys (both plug-ins' keys, so that each also sees the other's), the defaults they replace, and
// codes at and past the end of the key table, including what a wrapped or cut number reads as.
std::optional<uint32_t> ReleaseBefore(int frame, const HostileFixture& fixture) {
  if (frame % 10 != 5) return std::nullopt;
  std::vector<uint32_t> keys;
  for (const std::optional<uint32_t>& own : {fixture.switchKey, fixture.toggleKey})
    if (own) keys.insert(keys.end(), {*own, *own});
  keys.insert(keys.end(), {33, 123, 0, 1, 254, 255, 256, 1215752191u, 0xFFFFFFFFu, 65});
  return keys[static_cast<size_t>(frame / 10) % keys.size()];
}

// Puts the fixture in the place of `fileName` in a game folder: the file itself, or a directory
// of that name. Whatever an earlier fixture left there goes first.
void PlaceFixture(const emu::GameFolder& folder, const std::string& fileName, const HostileFixture& fixture) {
  const std::filesystem::path path = folder.Path() / "asi" / fileName;
  std::filesystem::remove_all(path);
  if (fixture.make == "directory") std::filesystem::create_directory(path);
  else folder.WriteSettings(fileName, fixture.bytes);
}

// Each fixture runs in a function of its own, so that a failed assertion ends that fixture only;
// the host's record is checked after each, since the next load starts a fresh one.
// Loads a plug-in with a fixture in place of its settings file, held without sharing meanwhile
// when the fixture asks.
class HostileTest : public PluginTest {
 protected:
  HostileTest(const char* plugin, const char* fileName) : PluginTest(plugin, fileName), fileName_(fileName) {}

  // `throughFirstPass` says how far to run while the file is held: the clock reads its position only
  // when its loop starts, HaltGlimmer everything while it loads.
  // False, with the failure told, when the file could not be held.
  bool LoadFixture(const HostileFixture& fixture, bool throughFirstPass) {
    PlaceFixture(scenario().Folder(), fileName_, fixture);
    std::optional<HeldFile> held;
    if (fixture.make == "locked") {
      held.emplace(scenario().Folder().Path() / "asi" / fileName_);
      if (!held->Held()) {
        ADD_FAILURE() << "could not lock the file";
        return false;
      }
    }
    Load();
    if (throughFirstPass) RunToFirstPass();
    return true;
  }

  // Runs every fixture through `run`, checking the host's record after each: the next load
  // starts a fresh one.
  template <typename Run>
  void ForEveryFixture(Run run) {
    for (const HostileFixture& fixture : HostileFixtures()) {
      SCOPED_TRACE("fixture " + fixture.name);
      run(fixture);
      scenario().Unload();
      for (const std::string& violation : host().Violations()) ADD_FAILURE() << "host saw: " << violation;
    }
  }

 private:
  const char* fileName_;
};

class HostileClockTest : public HostileTest {
 protected:
  HostileClockTest() : HostileTest(TARQUEL_CLOCK_PLUGIN, kClockFile) {}

  void Run(const HostileFixture& fixture) {
    if (!LoadFixture(fixture, true)) return;
    // 0 game clock, 1 real clock, 2 hidden.
    int mode = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
      const std::optional<uint32_t> released = ReleaseBefore(frame, fixture);
      if (released) host().SendKey(KeyRelease(*released));
      if (released && released == fixture.switchKey) mode = (mode + 1) % 3;
      const FrameRecord& record = host().RunFrame();
      ASSERT_TRUE(record.scriptRan) << "frame " << frame << ": the loop did not pass";
      if (mode == 2) {
        ASSERT_TRUE(record.texts.empty()) << "frame " << frame << ": drew while hidden";
        continue;
      }
      ASSERT_EQ(record.texts.size(), 1u) << "frame " << frame << " should draw one clock line";
      const emu::DrawnText& text = record.texts.front();
      ASSERT_TRUE(text.text.starts_with(mode == 0 ? kGameLabel : kRealLabel))
          << "frame " << frame << " drew " << text.text << " in mode " << mode
          << (released ? " after a release of " + std::to_string(*released) : std::string());
      ASSERT_TRUE(fixture.x.Matches(text.x)) << "x is " << text.x << ", expected " << fixture.x.Expected();
      ASSERT_TRUE(fixture.y.Matches(text.y)) << "y is " << text.y << ", expected " << fixture.y.Expected();
    }
  }
};

class HostileBrakeTest : public HostileTest {
 protected:
  HostileBrakeTest() : HostileTest(TARQUEL_HALTGLIMMER_PLUGIN, kBrakeFile) {}

  void Run(const HostileFixture& fixture) {
    if (!LoadFixture(fixture, false)) return;
    host().World().inVehicle = host().World().vehicleStopped = true;
    const std::vector<int32_t> lights = {host().World().vehicle};
    const std::vector<int32_t> none;
    const FrameRecord& firstPass = RunToFirstPass();
    ASSERT_EQ(firstPass.brakeLightsSet, fixture.runs ? lights : none) << "whether the routine runs from the start";

    bool on = fixture.runs;
    std::string message;
    std::optional<uint32_t> deadline;
    for (int frame = 0; frame < kFrames; ++frame) {
      const std::optional<uint32_t> released = ReleaseBefore(frame, fixture);
      if (released) host().SendKey(KeyRelease(*released));
      const FrameRecord& record = host().RunFrame();
      ASSERT_TRUE(record.scriptRan) << "frame " << frame << ": the loop did not pass";
      const std::vector<HostEvent> events = EventsIn(record);
      const bool paused = !events.empty() && events.back().kind == EventKind::Wait && events.back().waitMs == 200;
      if (released && released == fixture.toggleKey) {
        ASSERT_TRUE(paused) << "frame " << frame << ": a release of the toggle key did not flip";
        ASSERT_EQ(events.size(), 1u) << "frame " << frame << ": the flip comes before anything else";
        message = message.empty() ? *fixture.first : message == kOnText ? kOffText : kOnText;
        on = message == kOnText;
        deadline = record.tick + 2000;
        const FrameRecord& rest = host().RunFrameWhenWaitEnds();
        ASSERT_EQ(rest.texts.size(), 1u) << "frame " << frame << ": no message after the flip";
        ASSERT_EQ(rest.texts.front().text, message) << "frame " << frame;
        ASSERT_EQ(rest.brakeLightsSet, on ? lights : none) << "frame " << frame << ": after the flip";
        continue;
      }
      ASSERT_FALSE(paused) << "frame " << frame << ": flipped"
                           << (released ? " on a release of " + std::to_string(*released) : std::string());
      ASSERT_EQ(record.brakeLightsSet, on ? lights : none) << "frame " << frame;
      if (deadline && record.tick < *deadline) {
        ASSERT_EQ(record.texts.size(), 1u) << "frame " << frame << ": the message went early";
        ASSERT_EQ(record.texts.front().text, message) << "frame " << frame;
      } else {
        ASSERT_TRUE(record.texts.empty()) << "frame " << frame << " drew " << record.texts.front().text;
      }
    }
  }
};

TEST_F(HostileClockTest, EveryFileGivesTheClockWhatItsValuesSay) {
  ForEveryFixture([this](const HostileFixture& fixture) { Run(fixture); });
}

TEST_F(HostileBrakeTest, EveryFileGivesTheSwitchWhatItsValuesSay) {
  ForEveryFixture([this](const HostileFixture& fixture) { Run(fixture); });
}

}  // namespace
}  // namespace tarquel::test
