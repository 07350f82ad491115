// Tarquel HaltGlimmer as the host sees it: the brake-light routine's calls in every vehicle
// case, the switch and its notification, and its settings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "host_emulator/default_scenarios.h"
#include "tests/support/fixture_files.h"
#include "tests/support/plugin_test.h"
#include "tests/support/transcript.h"

namespace tarquel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
namespace native = emu::native;

constexpr uint32_t kF12 = 123;
const char kSettingsFile[] = "Tarquel HaltGlimmer.ini";
const std::string kOnText = "HaltGlimmer Mod ~g~ON";
const std::string kOffText = "HaltGlimmer Mod ~r~OFF";
// What Message() says of a frame that drew nothing: not "", so that a drawn empty text shows.
const std::string kNoMessage = "(no message)";

class BrakeTest : public PluginTest {
 protected:
  BrakeTest() : PluginTest(TARQUEL_HALTGLIMMER_PLUGIN, kSettingsFile) {}

  // The native calls of `frame`, described, without the notification's text natives.
  std::vector<std::string> RoutineCalls(const FrameRecord& frame) {
    std::vector<std::string> calls;
    for (const HostEvent& event : EventsIn(frame)) {
      if (event.kind != EventKind::Native) continue;
      const uint64_t hash = event.native.hash;
      if (hash == native::TextScale || hash == native::TextCentre || hash == native::TextEdge ||
          hash == native::BeginText || hash == native::AddTextString || hash == native::DrawText)
        continue;
      calls.push_back(emu::DescribeNativeCall(event.native));
    }
    return calls;
  }

  // The notification drawn in `frame`, or kNoMessage.
  static std::string Message(const FrameRecord& frame) {
    EXPECT_LE(frame.texts.size(), 1u) << "frame " << frame.index << " drew more than one text";
    return frame.texts.empty() ? kNoMessage : frame.texts.front().text;
  }

  // Releases the hot key and runs the frame it is seen in and the frame its 200 ms pause ends
  // in; returns the latter, the first to show the new message.
  const FrameRecord& Toggle(uint32_t key = kF12) {
    host().SendKey(KeyRelease(key));
    host().RunFrame(0);
    return host().RunFrameWhenWaitEnds();
  }

  void StandStill(emu::GameWorld& world) {
    world.inVehicle = true;
    world.vehicleStopped = true;
  }
};

// --- the routine, one pass in each vehicle case ---

TEST_F(BrakeTest, RoutineAsksTheGameInOrderAndLightsWhatStandsStill) {
  struct Case {
    const char* what;
    std::function<void(emu::GameWorld&)> world;
    std::vector<std::string> calls;
    std::vector<int32_t> lit;
  };
  const std::vector<Case> cases = {
      {"on foot", [](emu::GameWorld&) {},
       {"PLAYER_CHARACTER() -> 10753", "IS_IN_ANY_VEHICLE(10753, 1) -> 0"}, {}},
      {"moving, no trailer", [](emu::GameWorld& w) { w.inVehicle = true; },
       {"PLAYER_CHARACTER() -> 10753", "IS_IN_ANY_VEHICLE(10753, 1) -> 1", "PLAYER_CHARACTER() -> 10753",
        "VEHICLE_USING(10753) -> 15106", "IS_VEHICLE_STOPPED(15106) -> 0", "IS_TRAILER_ATTACHED(15106) -> 0"},
       {}},
      {"stopped, no trailer", [](emu::GameWorld& w) { w.inVehicle = w.vehicleStopped = true; },
       {"PLAYER_CHARACTER() -> 10753", "IS_IN_ANY_VEHICLE(10753, 1) -> 1", "PLAYER_CHARACTER() -> 10753",
        "VEHICLE_USING(10753) -> 15106", "IS_VEHICLE_STOPPED(15106) -> 1", "SET_BRAKE_LIGHTS(15106, 1)",
        "IS_TRAILER_ATTACHED(15106) -> 0"},
       {15106}},
      {"stopped, towing a stopped trailer",
       [](emu::GameWorld& w) { w.inVehicle = w.vehicleStopped = w.trailerAttached = w.trailerStopped = true; },
       {"PLAYER_CHARACTER() -> 10753", "IS_IN_ANY_VEHICLE(10753, 1) -> 1", "PLAYER_CHARACTER() -> 10753",
        "VEHICLE_USING(10753) -> 15106", "IS_VEHICLE_STOPPED(15106) -> 1", "SET_BRAKE_LIGHTS(15106, 1)",
        "IS_TRAILER_ATTACHED(15106) -> 1", "VEHICLE_TRAILER(15106, &cell) -> 1", "IS_VEHICLE_STOPPED(19459) -> 1",
        "SET_BRAKE_LIGHTS(19459, 1)"},
       {15106, 19459}},
      {"moving, towing a stopped trailer",
       [](emu::GameWorld& w) { w.inVehicle = w.trailerAttached = w.trailerStopped = true; },
       {"PLAYER_CHARACTER() -> 10753", "IS_IN_ANY_VEHICLE(10753, 1) -> 1", "PLAYER_CHARACTER() -> 10753",
        "VEHICLE_USING(10753) -> 15106", "IS_VEHICLE_STOPPED(15106) -> 0", "IS_TRAILER_ATTACHED(15106) -> 1",
        "VEHICLE_TRAILER(15106, &cell) -> 1", "IS_VEHICLE_STOPPED(19459) -> 1", "SET_BRAKE_LIGHTS(19459, 1)"},
       {19459}},
      {"stopped, towing a moving trailer",
       [](emu::GameWorld& w) { w.inVehicle = w.vehicleStopped = w.trailerAttached = true; },
       {"PLAYER_CHARACTER() -> 10753", "IS_IN_ANY_VEHICLE(10753, 1) -> 1", "PLAYER_CHARACTER() -> 10753",
        "VEHICLE_USING(10753) -> 15106", "IS_VEHICLE_STOPPED(15106) -> 1", "SET_BRAKE_LIGHTS(15106, 1)",
        "IS_TRAILER_ATTACHED(15106) -> 1", "VEHICLE_TRAILER(15106, &cell) -> 1", "IS_VEHICLE_STOPPED(19459) -> 0"},
       {15106}},
      {"a trailer query that finds no trailer",
       [](emu::GameWorld& w) {
         w.inVehicle = w.vehicleStopped = w.trailerAttached = w.trailerStopped = true;
         w.trailerQueryFlag = 0;
       },
       {"PLAYER_CHARACTER() -> 10753", "IS_IN_ANY_VEHICLE(10753, 1) -> 1", "PLAYER_CHARACTER() -> 10753",
        "VEHICLE_USING(10753) -> 15106", "IS_VEHICLE_STOPPED(15106) -> 1", "SET_BRAKE_LIGHTS(15106, 1)",
        "IS_TRAILER_ATTACHED(15106) -> 1", "VEHICLE_TRAILER(15106, &cell) -> 0"},
       {15106}},
      {"negative handles, all standing still",
       [](emu::GameWorld& w) {
         w.playerCharacter = -3;
         w.vehicle = -40000;
         w.trailer = -2;
         w.inVehicle = w.vehicleStopped = w.trailerAttached = w.trailerStopped = true;
       },
       {"PLAYER_CHARACTER() -> -3", "IS_IN_ANY_VEHICLE(-3, 1) -> 1", "PLAYER_CHARACTER() -> -3",
        "VEHICLE_USING(-3) -> -40000", "IS_VEHICLE_STOPPED(-40000) -> 1", "SET_BRAKE_LIGHTS(-40000, 1)",
        "IS_TRAILER_ATTACHED(-40000) -> 1", "VEHICLE_TRAILER(-40000, &cell) -> 1", "IS_VEHICLE_STOPPED(-2) -> 1",
        "SET_BRAKE_LIGHTS(-2, 1)"},
       {-40000, -2}},
      {"the character changes between the two asks: the second answer is used",
       [](emu::GameWorld& w) {
         w.playerCharacterAnswers = {0x111, 0x222};
         w.inVehicle = w.vehicleStopped = true;
       },
       {"PLAYER_CHARACTER() -> 273", "IS_IN_ANY_VEHICLE(273, 1) -> 1", "PLAYER_CHARACTER() -> 546",
        "VEHICLE_USING(546) -> 15106", "IS_VEHICLE_STOPPED(15106) -> 1", "SET_BRAKE_LIGHTS(15106, 1)",
        "IS_TRAILER_ATTACHED(15106) -> 0"},
       {15106}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].what);
    Load();
    cases[i].world(host().World());
    const FrameRecord& first = RunToFirstPass();
    EXPECT_THAT(RoutineCalls(first), ElementsAreArray(cases[i].calls));
    EXPECT_THAT(first.brakeLightsSet, ElementsAreArray(cases[i].lit));
    // Set again in every pass while standing still; nothing of it carries into the next frame.
    const FrameRecord& next = host().RunFrame();
    EXPECT_THAT(next.brakeLightsSet, ElementsAreArray(cases[i].lit));
    EXPECT_EQ(Message(next), kNoMessage) << "a message before any release";
    scenario().Unload();
  }
}

// --- the switch and its notification ---

TEST_F(BrakeTest, ReleaseFlipsInItsFramePausesThenFinishesThatPass) {
  Load();
  StandStill(host().World());
  RunToFirstPass();
  host().SendKey(KeyRelease(kF12));
  const FrameRecord& flip = host().RunFrame(0);
  ASSERT_EQ(EventsIn(flip).size(), 1u) << "the key test comes first and makes no native call";
  EXPECT_EQ(emu::DescribeEvent(EventsIn(flip)[0]), "scriptWait(200)");
  EXPECT_FALSE(host().RunFrame(199).scriptRan) << "the pause is 200 ms";
  const FrameRecord& rest = host().RunFrame(1);
  EXPECT_THAT(RoutineCalls(rest), IsEmpty()) << "switched off: the routine no longer runs";
  EXPECT_EQ(Message(rest), kOffText);
  EXPECT_EQ(emu::DescribeEvent(EventsIn(rest).back()), "scriptWait(0)");

  // Back on: in the frame the pause ends the routine runs first, then the message.
  host().SendKey(KeyRelease(kF12));
  host().RunFrame(0);
  const FrameRecord& on = host().RunFrameWhenWaitEnds();
  EXPECT_THAT(on.brakeLightsSet, ElementsAre(host().World().vehicle));
  EXPECT_EQ(Message(on), kOnText);
  const std::vector<HostEvent> events = EventsIn(on);
  const auto firstText = std::find_if(events.begin(), events.end(), [](const HostEvent& e) {
    return e.kind == EventKind::Native && e.native.hash == native::TextScale;
  });
  const auto lights = std::find_if(events.begin(), events.end(), [](const HostEvent& e) {
    return e.kind == EventKind::Native && e.native.hash == native::SetBrakeLights;
  });
  EXPECT_LT(lights - events.begin(), firstText - events.begin()) << "the routine runs before the notification";
}

TEST_F(BrakeTest, NotificationIsTheExactTextAtTheBottomCentre) {
  Load();
  const struct {
    const std::string& text;
  } flips[] = {{kOffText}, {kOnText}};
  RunToFirstPass();
  for (const auto& flip : flips) {
    const FrameRecord& frame = Toggle();
    ASSERT_EQ(frame.texts.size(), 1u);
    const emu::DrawnText& text = frame.texts.front();
    EXPECT_EQ(text.text, flip.text);
    EXPECT_EQ(std::bit_cast<uint32_t>(text.scaleX), 0x3F000000u);
    EXPECT_EQ(std::bit_cast<uint32_t>(text.scaleY), 0x3F000000u);
    EXPECT_EQ(text.centred, 1);
    EXPECT_THAT(text.edge, ElementsAre(1, 0, 0, 0, 255));
    EXPECT_EQ(std::bit_cast<uint32_t>(text.x), 0x3F000000u);
    EXPECT_EQ(std::bit_cast<uint32_t>(text.y), 0x3F70A3D7u);
  }
}

// The message shows in every pass until 2000 ms after the flip, and not from then on. Run from
// a tick in the upper half too, where a deadline of 0 read as signed would look far ahead.
TEST_F(BrakeTest, NotificationShowsUntilTwoSecondsAfterTheFlip) {
  for (uint32_t start : {Scenario::kDefaultStartTick, 0x90000000u}) {
    SCOPED_TRACE("start tick " + emu::HexText(start));
    Load(std::nullopt, start);
    RunToFirstPass();
    host().SendKey(KeyRelease(kF12));
    const uint32_t flippedAt = host().RunFrame(0).tick;
    EXPECT_EQ(Message(host().RunFrameWhenWaitEnds()), kOffText);
    while (host().Tick() - flippedAt < 1984) EXPECT_EQ(Message(host().RunFrame()), kOffText) << "at +" << host().Tick() - flippedAt;
    host().SetTick(flippedAt + 1999);
    EXPECT_EQ(Message(host().RunFrame(0)), kOffText) << "at +1999 ms";
    EXPECT_EQ(Message(host().RunFrame(1)), kNoMessage) << "at +2000 ms";
    for (int i = 0; i < 200; ++i) ASSERT_EQ(Message(host().RunFrame()), kNoMessage) << "the message came back";
    scenario().Unload();
  }
}

TEST_F(BrakeTest, SecondFlipWithinTwoSecondsReplacesTheFirst) {
  Load();
  RunToFirstPass();
  host().SendKey(KeyRelease(kF12));
  const uint32_t firstAt = host().RunFrame(0).tick;
  host().RunFor(1000);
  host().SendKey(KeyRelease(kF12));
  const uint32_t secondAt = host().RunFrame(0).tick;
  ASSERT_LT(secondAt - firstAt, 2000u);
  EXPECT_EQ(Message(host().RunFrameWhenWaitEnds()), kOnText);
  host().SetTick(firstAt + 2100);
  EXPECT_EQ(Message(host().RunFrame(0)), kOnText) << "the second message counts from the second flip";
  host().SetTick(secondAt + 1999);
  EXPECT_EQ(Message(host().RunFrame(0)), kOnText);
  EXPECT_EQ(Message(host().RunFrame(1)), kNoMessage);
}

TEST_F(BrakeTest, SwitchedOffAPassMakesNoNativeCallOnceTheMessageIsGone) {
  Load();
  StandStill(host().World());
  host().World().trailerAttached = host().World().trailerStopped = true;
  RunToFirstPass();
  Toggle();
  host().RunFor(2000);
  for (int i = 0; i < 5; ++i) {
    const FrameRecord& frame = host().RunFrame();
    ASSERT_TRUE(frame.scriptRan);
    const std::vector<HostEvent> events = EventsIn(frame);
    ASSERT_EQ(events.size(), 1u) << "pass " << i << " called " << emu::DescribeEvent(events.front());
    EXPECT_EQ(emu::DescribeEvent(events[0]), "scriptWait(0)");
    EXPECT_THAT(frame.brakeLightsSet, IsEmpty()) << "switching off never switches lights off, it stops setting them";
  }
}

// A release during the 200 ms pause is seen by the next pass only if it is still fresh then.
TEST_F(BrakeTest, ReleaseDuringThePauseCountsOnlyIfStillFresh) {
  const struct {
    uint32_t sentAfterMs;
    std::string message;  // after the pause ends
  } cases[] = {{50, kOffText}, {100, kOffText}, {101, kOnText}, {199, kOnText}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": second release " + std::to_string(cases[i].sentAfterMs) + " ms into the pause");
    Load();
    RunToFirstPass();
    host().SendKey(KeyRelease(kF12));
    host().RunFrame(0);
    host().AdvanceTick(cases[i].sentAfterMs);
    host().SendKey(KeyRelease(kF12));
    host().RunFrameWhenWaitEnds();  // the rest of the flipping pass
    const FrameRecord& next = host().RunFrame(0);
    if (next.scriptRan && EventsIn(next).size() == 1) host().RunFrameWhenWaitEnds();
    EXPECT_EQ(Message(host().LastFrame()), cases[i].message);
    scenario().Unload();
  }
}

// A flip in the last two seconds before the 32-bit tick wraps still shows its message for the
// full two seconds: the deadline has wrapped, the tick not yet.
TEST_F(BrakeTest, FlipJustBeforeTheTickWrapsShowsItsMessage) {
  for (uint32_t flipAt : {0xFFFFF830u /* deadline exactly 0 */, 0xFFFFFC00u, 0xFFFFFFFFu, 0x7FFFFC00u}) {
    SCOPED_TRACE("flip at " + emu::HexText(flipAt));
    Load(std::nullopt, flipAt - 10'000);
    RunToFirstPass();
    host().SetTick(flipAt);
    host().SendKey(KeyRelease(kF12));
    host().RunFrame(0);
    EXPECT_EQ(Message(host().RunFrameWhenWaitEnds()), kOffText) << "at +200 ms";
    host().SetTick(flipAt + 1999);
    EXPECT_EQ(Message(host().RunFrame(0)), kOffText) << "at +1999 ms";
    EXPECT_EQ(Message(host().RunFrame(1)), kNoMessage) << "at +2000 ms";
    scenario().Unload();
  }
}

// --- settings ---

TEST_F(BrakeTest, ReadsBothSettingsWhileLoadingDisableKeyFirst) {
  Load();
  const std::vector<HostEvent> events = host().Events();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(emu::DescribeEvent(events[0]),
            R"(GetPrivateProfileIntA("Settings", "DisableKey", 123, "./asi/Tarquel HaltGlimmer.ini") -> 123)");
  EXPECT_EQ(emu::DescribeEvent(events[1]),
            R"(GetPrivateProfileIntA("Settings", "EnableAtStart", 1, "./asi/Tarquel HaltGlimmer.ini") -> 1)");
  EXPECT_EQ(events[0].phase, emu::Phase::Loading);
  EXPECT_EQ(events[1].phase, emu::Phase::Loading);
  EXPECT_EQ(events[2].kind, EventKind::ScriptRegister);
  // The file is never read again: a change takes effect at the next load.
  WriteSettings("[Settings]\nDisableKey=112\nEnableAtStart=0\n");
  host().World().inVehicle = host().World().vehicleStopped = true;
  RunToFirstPass();
  host().RunFor(1000);
  EXPECT_THAT(host().LastFrame().brakeLightsSet, ElementsAre(host().World().vehicle));
  EXPECT_EQ(host().EventsOf(EventKind::ProfileInt).size(), 2u);
}

struct BrakeFixture {
  std::string name;
  std::string content;
  std::optional<uint32_t> toggleKey;  // nullopt: never flips
  bool runs = false;
  std::string first;                  // the message after the first flip
};

// "; expect: toggle=<code|none> runs=<yes|no> first=<ON|OFF|none>"
std::vector<BrakeFixture> LoadBrakeFixtures() {
  std::vector<BrakeFixture> fixtures;
  for (FixtureFile& file :
       ReadFixtures("brake", std::regex(R"(; expect: toggle=(\w+) runs=(yes|no) first=(ON|OFF|none))"))) {
    BrakeFixture fixture{.name = file.name, .content = std::move(file.content), .toggleKey = std::nullopt, .first = {}};
    if (file.expect[0] != "none") fixture.toggleKey = static_cast<uint32_t>(std::stoul(file.expect[0]));
    fixture.runs = file.expect[1] == "yes";
    fixture.first = file.expect[2] == "ON" ? kOnText : file.expect[2] == "OFF" ? kOffText : kNoMessage;
    fixtures.push_back(std::move(fixture));
  }
  return fixtures;
}

TEST_F(BrakeTest, SettingsFixturesGiveWhatTheySayInEveryLineEnding) {
  const std::vector<BrakeFixture> fixtures = LoadBrakeFixtures();
  for (const BrakeFixture& fixture : fixtures) {
    for (const auto& [endingName, ending] : LineEndings()) {
      SCOPED_TRACE(fixture.name + " with " + endingName + " line endings");
      Load(WithLineEnding(fixture.content, ending));
      StandStill(host().World());
      const FrameRecord& first = RunToFirstPass();
      EXPECT_EQ(!first.brakeLightsSet.empty(), fixture.runs) << "whether the routine runs at start";
      // Releases of every other code, far past the table too, flip nothing.
      for (uint32_t key = 0; key < 512; ++key)
        if (!fixture.toggleKey || key != *fixture.toggleKey) host().SendKey(KeyRelease(key));
      host().SendKey(KeyRelease(0xFFFFFFFFu));
      const FrameRecord& after = host().RunFrame();
      EXPECT_EQ(Message(after), kNoMessage) << "a key other than the hot key flipped the switch";
      EXPECT_EQ(!after.brakeLightsSet.empty(), fixture.runs);
      if (fixture.toggleKey) {
        EXPECT_EQ(Message(Toggle(*fixture.toggleKey)), fixture.first) << "the first flip";
        host().RunFor(2500);
        const std::string second = fixture.first == kOnText ? kOffText : kOnText;
        const FrameRecord& flippedBack = Toggle(*fixture.toggleKey);
        EXPECT_EQ(Message(flippedBack), second) << "the second flip";
        EXPECT_EQ(!flippedBack.brakeLightsSet.empty(), second == kOnText) << "the routine after the second flip";
      }
      scenario().Unload();
    }
  }
}

// On the system's own clock, as in the game: the start wait, the key's freshness, the 200 ms
// pause and the message all run by the clock on the wall.
TEST_F(BrakeTest, RunsOnTheSystemsOwnClock) {
  scenario().Load(Scenario::kDefaultStartTick, true);
  StandStill(host().World());
  const uint32_t start = host().Tick();
  host().RunFrame(0);
  while (host().LastFrame().brakeLightsSet.empty() && host().Tick() - start < 4000) host().RunFrame(16);
  EXPECT_THAT(host().LastFrame().brakeLightsSet, ElementsAre(host().World().vehicle));
  EXPECT_GE(host().Tick() - start, 2000u);
  host().SendKey(KeyRelease(kF12));
  host().RunFrame(16);
  const uint32_t flipped = host().Tick();
  const FrameRecord& off = host().RunFrameWhenWaitEnds();
  EXPECT_GE(host().Tick() - flipped, 190u);
  EXPECT_EQ(Message(off), kOffText);
  EXPECT_THAT(off.brakeLightsSet, IsEmpty());
}

// The default scenario of tools/build, everything the host saw, against its golden transcript.
TEST_F(BrakeTest, DefaultScenarioMatchesItsTranscript) {
  Load();
  const uint32_t base = host().Tick();
  emu::PlayHaltGlimmerDefault(host());
  scenario().Unload();
  ExpectTranscript("haltglimmer_default_scenario.txt", RenderTranscript(host(), base));
}

}  // namespace
}  // namespace tarquel::test
