// Tarquel Clock as the host sees it: what it draws, where, in which mode, and what it reads
// from its settings file and when.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdlib>
#include <ctime>
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
using ::testing::IsEmpty;
namespace native = emu::native;

constexpr uint32_t kPageUp = 33;
const char kSettingsFile[] = "Tarquel Clock.ini";
const std::string kGameLabel = "~g~Game Clock: ~y~";
const std::string kRealLabel = "~r~Real Clock: ~y~";

// A position read from the file as the plug-in must arrive at it: the percent parsed to a
// double, narrowed, and scaled in single precision.
float FromPercent(double percent) { return static_cast<float>(percent) * 0.01f; }

class ClockTest : public PluginTest {
 protected:
  ClockTest() : PluginTest(TARQUEL_CLOCK_PLUGIN, kSettingsFile) {}

  const emu::DrawnText& OnlyText(const FrameRecord& frame) {
    static const emu::DrawnText none;
    EXPECT_EQ(frame.texts.size(), 1u) << "frame " << frame.index << " should draw one line";
    return frame.texts.empty() ? none : frame.texts.front();
  }

  // Whether `frame` drew the game clock, the real clock or nothing.
  static std::string ModeShown(const FrameRecord& frame) {
    if (frame.texts.empty()) return "hidden";
    const std::string& text = frame.texts.front().text;
    if (text.starts_with(kGameLabel)) return "game";
    if (text.starts_with(kRealLabel)) return "real";
    return "unexpected: " + text;
  }

  std::vector<HostEvent> ProfileReads() {
    std::vector<HostEvent> reads;
    for (const HostEvent& event : host().Events())
      if (event.kind == EventKind::ProfileInt || event.kind == EventKind::ProfileString) reads.push_back(event);
    return reads;
  }
};

TEST_F(ClockTest, WithoutSettingsFileDrawsTheGameClockAtTheDefaultPlace) {
  Load();
  const FrameRecord& frame = RunToFirstPass();
  const emu::DrawnText& text = OnlyText(frame);
  EXPECT_EQ(text.text, kGameLabel + "12:00");
  EXPECT_EQ(std::bit_cast<uint32_t>(text.x), std::bit_cast<uint32_t>(static_cast<float>(89.0) * 0.01f));
  EXPECT_EQ(std::bit_cast<uint32_t>(text.y), std::bit_cast<uint32_t>(static_cast<float>(1.0) * 0.01f));
  EXPECT_EQ(std::bit_cast<uint32_t>(text.scaleX), 0x3E99999Au);
  EXPECT_EQ(std::bit_cast<uint32_t>(text.scaleY), 0x3E99999Au);
  EXPECT_EQ(text.centred, 0);
  EXPECT_THAT(text.edge, ElementsAre(1, 0, 0, 0, 255));

  const std::vector<HostEvent> reads = ProfileReads();
  ASSERT_EQ(reads.size(), 3u);
  EXPECT_EQ(emu::DescribeEvent(reads[0]),
            R"(GetPrivateProfileIntA("Settings", "SwitchClockKey", 33, "./asi/Tarquel Clock.ini") -> 33)");
  EXPECT_EQ(emu::DescribeEvent(reads[1]),
            R"(GetPrivateProfileStringA("Settings", "XCoord", "89.000000", "./asi/Tarquel Clock.ini") -> "89.000000")");
  EXPECT_EQ(emu::DescribeEvent(reads[2]),
            R"(GetPrivateProfileStringA("Settings", "YCoord", "1.000000", "./asi/Tarquel Clock.ini") -> "1.000000")");

  host().SendKey(KeyRelease(kPageUp));
  EXPECT_EQ(ModeShown(host().RunFrame()), "real") << "Page Up is the default switch key";
}

TEST_F(ClockTest, EachReleaseStepsToTheNextModeInTheFrameOfTheRelease) {
  Load();
  RunToFirstPass();
  const char* const expected[] = {"real", "hidden", "game", "real"};
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE("release " + std::to_string(i + 1));
    EXPECT_EQ(ModeShown(host().RunFrame()), i == 0 ? "game" : expected[i - 1]) << "before the release";
    host().SendKey(KeyRelease(kPageUp));
    EXPECT_EQ(ModeShown(host().RunFrame()), expected[i]) << "in the frame of the release";
    EXPECT_EQ(ModeShown(host().RunFrame()), expected[i]) << "in the frame after";
  }
}

TEST_F(ClockTest, EveryPassEndsWithOneWaitAfterItsDrawing) {
  Load();
  RunToFirstPass();
  for (int mode = 0; mode < 3; ++mode) {
    const FrameRecord& frame = host().RunFrame();
    const std::vector<HostEvent> events = EventsIn(frame);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(emu::DescribeEvent(events.back()), "scriptWait(0)") << "mode " << ModeShown(frame);
    for (size_t i = 0; i + 1 < events.size(); ++i)
      EXPECT_EQ(events[i].kind, EventKind::Native) << "mode " << ModeShown(frame) << ", event " << i;
    host().SendKey(KeyRelease(kPageUp));
  }
}

TEST_F(ClockTest, GameClockAsksMinutesThenHoursAndShowsTwoDigitsEach) {
  const struct {
    int32_t hours, minutes;
    const char* shown;
  } cases[] = {
      {7, 5, "07:05"}, {23, 59, "23:59"}, {0, 0, "00:00"}, {12, 30, "12:30"},
      // Whatever the game answers, the line stays whole.
      {123456, -7, "123456:-7"},
  };
  Load();
  RunToFirstPass();
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].shown);
    host().World().clockHours = cases[i].hours;
    host().World().clockMinutes = cases[i].minutes;
    const FrameRecord& frame = host().RunFrame();
    EXPECT_EQ(OnlyText(frame).text, kGameLabel + cases[i].shown);
    const std::vector<HostEvent> events = EventsIn(frame);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].native.hash, native::ClockMinutes);
    EXPECT_EQ(events[1].native.hash, native::ClockHours);
  }
}

TEST_F(ClockTest, RealClockShowsTheComputersLocalTime) {
  Load();
  RunToFirstPass();
  auto localNow = [] {
    const std::time_t now = std::time(nullptr);
    const std::tm record = *std::localtime(&now);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", record.tm_hour, record.tm_min);
    return kRealLabel + text;
  };
  const std::string before = localNow();
  host().SendKey(KeyRelease(kPageUp));
  const std::string shown = OnlyText(host().RunFrame()).text;
  const std::string after = localNow();
  // A minute may turn between the two readings.
  EXPECT_TRUE(shown == before || shown == after) << "shown " << shown << ", local time " << before;
  const emu::DrawnText& text = host().LastFrame().texts.at(0);
  EXPECT_EQ(std::bit_cast<uint32_t>(text.x), std::bit_cast<uint32_t>(FromPercent(89)));
  EXPECT_THAT(EventsIn(host().LastFrame()).front().kind, EventKind::Native);
  EXPECT_EQ(EventsIn(host().LastFrame()).front().native.hash, native::TextScale)
      << "the real clock asks the game nothing";
}

// --- settings files ---

struct ClockFixture {
  std::string name;
  std::string content;
  std::optional<uint32_t> switchKey;  // nullopt: no key ever switches
  double xPercent = 0, yPercent = 0;
};

// "; expect: switch=<code|none> x%=<percent> y%=<percent>"
std::vector<ClockFixture> LoadClockFixtures() {
  std::vector<ClockFixture> fixtures;
  for (FixtureFile& file : ReadFixtures("clock", std::regex(R"(; expect: switch=(\w+) x%=(\S+) y%=(\S+))"))) {
    ClockFixture fixture{.name = file.name, .content = std::move(file.content), .switchKey = std::nullopt};
    if (file.expect[0] != "none") fixture.switchKey = static_cast<uint32_t>(std::stoul(file.expect[0]));
    fixture.xPercent = std::stod(file.expect[1]);
    fixture.yPercent = std::stod(file.expect[2]);
    fixtures.push_back(std::move(fixture));
  }
  return fixtures;
}

TEST_F(ClockTest, SettingsFixturesGiveWhatTheySayInEveryLineEnding) {
  const std::vector<ClockFixture> fixtures = LoadClockFixtures();
  for (const ClockFixture& fixture : fixtures) {
    for (const auto& [endingName, ending] : LineEndings()) {
      SCOPED_TRACE(fixture.name + " with " + endingName + " line endings");
      Load(WithLineEnding(fixture.content, ending));
      const emu::DrawnText text = OnlyText(RunToFirstPass());
      EXPECT_EQ(std::bit_cast<uint32_t>(text.x), std::bit_cast<uint32_t>(FromPercent(fixture.xPercent)))
          << "x is " << text.x << ", expected " << FromPercent(fixture.xPercent);
      EXPECT_EQ(std::bit_cast<uint32_t>(text.y), std::bit_cast<uint32_t>(FromPercent(fixture.yPercent)))
          << "y is " << text.y << ", expected " << FromPercent(fixture.yPercent);
      // Releases of every other code, far past the table too, must not switch.
      for (uint32_t key = 0; key < 512; ++key)
        if (!fixture.switchKey || key != *fixture.switchKey) host().SendKey(KeyRelease(key));
      host().SendKey(KeyRelease(0xFFFFFFFFu));
      EXPECT_EQ(ModeShown(host().RunFrame()), "game") << "a key other than the switch key switched";
      if (fixture.switchKey) {
        host().SendKey(KeyRelease(*fixture.switchKey));
        EXPECT_EQ(ModeShown(host().RunFrame()), "real") << "switch key " << *fixture.switchKey << " did not switch";
      }
      scenario().Unload();
    }
  }
}

TEST_F(ClockTest, ReadsTheSwitchKeyWhileLoadingAndThePositionWhenTheLoopStarts) {
  Load("[Settings]\nXCoord=10\n");
  std::vector<HostEvent> events = host().Events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0].kind, EventKind::ProfileInt);
  EXPECT_EQ(events[0].key, "SwitchClockKey");
  EXPECT_EQ(events[0].phase, emu::Phase::Loading) << "read by a static initialiser, before DllMain";
  EXPECT_EQ(events[1].kind, EventKind::ScriptRegister);

  // Changed after the load, before the loop's start wait ends: the position takes the change,
  // the switch key does not.
  WriteSettings("[Settings]\nXCoord=20\nSwitchClockKey=65\n");
  const FrameRecord& first = RunToFirstPass();
  EXPECT_EQ(std::bit_cast<uint32_t>(OnlyText(first).x), std::bit_cast<uint32_t>(FromPercent(20)));
  std::vector<std::string> order;
  for (const HostEvent& event : host().Events())
    if (event.kind == EventKind::Wait || event.kind == EventKind::ProfileString)
      order.push_back(event.kind == EventKind::Wait ? "wait " + std::to_string(event.waitMs) : event.key);
  EXPECT_THAT(std::vector(order.begin(), order.begin() + 3), ElementsAre("wait 2000", "XCoord", "YCoord"));

  // Changed while the loop runs: nothing moves until the next load.
  WriteSettings("[Settings]\nXCoord=30\nSwitchClockKey=65\n");
  host().RunFor(500);
  EXPECT_EQ(std::bit_cast<uint32_t>(OnlyText(host().LastFrame()).x), std::bit_cast<uint32_t>(FromPercent(20)));
  host().SendKey(KeyRelease(65));
  EXPECT_EQ(ModeShown(host().RunFrame()), "game");
  host().SendKey(KeyRelease(kPageUp));
  EXPECT_EQ(ModeShown(host().RunFrame()), "real");

  scenario().Unload();
  Load();
  const FrameRecord& reloaded = RunToFirstPass();
  EXPECT_EQ(ModeShown(reloaded), "game") << "every load starts with the game clock";
  EXPECT_EQ(std::bit_cast<uint32_t>(OnlyText(reloaded).x), std::bit_cast<uint32_t>(FromPercent(30)));
  host().SendKey(KeyRelease(65));
  EXPECT_EQ(ModeShown(host().RunFrame()), "real");
}

TEST_F(ClockTest, NoFileAndUnreadablePlacesGiveTheDefaults) {
  const struct {
    const char* what;
    std::function<void(const emu::GameFolder&)> prepare;
  } cases[] = {
      {"no asi folder", [](const emu::GameFolder& folder) { std::filesystem::remove_all(folder.Path() / "asi"); }},
      {"a folder where the file should be",
       [](const emu::GameFolder& folder) { std::filesystem::create_directory(folder.Path() / "asi" / kSettingsFile); }},
      {"an empty file", [](const emu::GameFolder& folder) { folder.WriteSettings(kSettingsFile, ""); }},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].what);
    emu::Scenario fresh(TARQUEL_CLOCK_PLUGIN);
    cases[i].prepare(fresh.Folder());
    fresh.Load();
    fresh.host().RunFrame(0);
    const emu::DrawnText text = OnlyText(fresh.host().RunFrameWhenWaitEnds());
    EXPECT_EQ(std::bit_cast<uint32_t>(text.x), std::bit_cast<uint32_t>(FromPercent(89)));
    EXPECT_EQ(std::bit_cast<uint32_t>(text.y), std::bit_cast<uint32_t>(FromPercent(1)));
    fresh.host().SendKey(KeyRelease(kPageUp));
    EXPECT_EQ(ModeShown(fresh.host().RunFrame()), "real");
    fresh.Unload();
    EXPECT_THAT(fresh.host().Violations(), IsEmpty());
  }
}

// Another module in the game's process may switch the shared C runtime to a locale that writes
// and reads decimal commas. The clock must neither move nor read its file differently.
TEST_F(ClockTest, ACommaDecimalLocaleInTheProcessChangesNothing) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  struct Restore {
    std::string locale;
    ~Restore() { std::setlocale(LC_ALL, locale.c_str()); }
  } restore{previous};
  // The same locale by its name in glibc and in the Windows C runtime.
  bool set = false;
  for (const char* name : {"de_DE.UTF-8", "German_Germany.1252", "de-DE"}) set = set || std::setlocale(LC_ALL, name) != nullptr;
  ASSERT_TRUE(set) << "needs a comma-decimal locale (Debian: locales-all)";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",") << "the locale did not take: this test would prove nothing";
  ASSERT_EQ(std::atof("12,5"), 12.5) << "the C runtime does not read commas: this test would prove nothing";

  Load();
  const emu::DrawnText text = OnlyText(RunToFirstPass());
  EXPECT_EQ(std::bit_cast<uint32_t>(text.x), std::bit_cast<uint32_t>(static_cast<float>(89.0) * 0.01f));
  EXPECT_EQ(std::bit_cast<uint32_t>(text.y), std::bit_cast<uint32_t>(static_cast<float>(1.0) * 0.01f));
  const std::vector<HostEvent> reads = ProfileReads();
  ASSERT_EQ(reads.size(), 3u);
  EXPECT_EQ(reads[1].defaultText, "89.000000");
  EXPECT_EQ(reads[2].defaultText, "1.000000");
  scenario().Unload();

  Load("[Settings]\nXCoord=12.5\nYCoord=12,5\n");
  const emu::DrawnText fromFile = OnlyText(RunToFirstPass());
  EXPECT_EQ(std::bit_cast<uint32_t>(fromFile.x), std::bit_cast<uint32_t>(FromPercent(12.5)));
  EXPECT_EQ(std::bit_cast<uint32_t>(fromFile.y), std::bit_cast<uint32_t>(FromPercent(12)));
}

// On the system's own clock, as in the game: the plug-in reads real ticks and frames take their
// time, so the start wait and the key's freshness are judged by the clock on the wall.
TEST_F(ClockTest, RunsOnTheSystemsOwnClock) {
  scenario().Load(Scenario::kDefaultStartTick, true);
  const uint32_t start = host().Tick();
  host().RunFrame(0);
  while (host().LastFrame().texts.empty() && host().Tick() - start < 4000) host().RunFrame(16);
  const uint32_t firstLine = host().Tick() - start;
  EXPECT_EQ(ModeShown(host().LastFrame()), "game");
  EXPECT_GE(firstLine, 2000u);
  EXPECT_LT(firstLine, 3000u);
  host().SendKey(KeyRelease(kPageUp));
  EXPECT_EQ(ModeShown(host().RunFrame(16)), "real");
}

// The default scenario of tools/build, everything the host saw, against its golden transcript.
TEST_F(ClockTest, DefaultScenarioMatchesItsTranscript) {
  Load();
  const uint32_t base = host().Tick();
  emu::PlayClockDefault(host());
  scenario().Unload();
  ExpectTranscript("clock_default_scenario.txt",
                   RenderTranscript(host(), base, {{std::regex(R"(Real Clock: ~y~\d\d:\d\d)"), "Real Clock: ~y~HH:MM"},
                                                   {std::regex(R"(Real Clock: \[yellow\]\d\d:\d\d)"), "Real Clock: [yellow]HH:MM"}}));
}

}  // namespace
}  // namespace tarquel::test
