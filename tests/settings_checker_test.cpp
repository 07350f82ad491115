// The settings checker on game folders, in-process: on Linux over the emulator's reader, in the
// Windows build (under Wine) over the system's own profile functions.
//
// Each file of tests/fixtures/check/<plug-in>/ is one plug-in's settings file and says in a
// line "; expect: exit N; warnings: kind, kind" what the checker must find; the whole report
// is kept as tests/transcripts/check/<plug-in>_<file>.txt. Every file is read with LF, CR LF
// and CR line ends, which must make no difference.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "settings_checker/settings_report.h"
#include "tests/support/checked_game_folder.h"
#include "tests/support/files.h"
#include "tests/support/fixture_files.h"
#include "tests/support/golden_file.h"
#include "tests/support/held_file.h"

namespace tarquel::test {
namespace {

namespace fs = std::filesystem;
using check::FolderReport;

// Not the emulator's HostIsWine: on Linux this test must not load the emulator's library, whose
// profile functions would stand beside the checker's own.
bool UnderWine() {
#ifdef _WIN32
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
#else
  return false;
#endif
}

std::string ReportText(const FolderReport& report) {
  std::ostringstream out;
  check::WriteReport(out, report);
  // The folder differs from run to run.
  std::string text = out.str();
  const std::string folder = "Game folder: " + report.folder + "\n";
  if (text.rfind(folder, 0) == 0) text.replace(0, folder.size(), "Game folder: (the test's)\n");
  return text;
}

std::vector<std::string> WarningKinds(const FolderReport& report) {
  std::vector<std::string> kinds;
  for (const auto* list : {&report.clock.warnings, &report.haltGlimmer.warnings, &report.warnings}) {
    for (const check::Warning& warning : *list) kinds.push_back(warning.kind);
  }
  return kinds;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : ", ") + part;
  return out.empty() ? "none" : out;
}

std::string WithLineEnds(const std::string& text, const std::string& end) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += end;
    else out += c;
  }
  return out;
}

struct PluginFixtures {
  const char* folder;    // under tests/fixtures/check
  const char* fileName;  // the settings file it stands for, in asi/
};

TEST(SettingsChecker, FixtureFilesGiveTheirWarningsExitStatusAndReport) {
  const PluginFixtures plugins[] = {{"clock", "Tarquel Clock.ini"}, {"haltglimmer", "Tarquel HaltGlimmer.ini"}};
  const std::regex expectation(R"(exit (\d); warnings: ([^\r\n]*))");
  const std::vector<std::pair<const char*, const char*>> lineEnds = {{"LF", "\n"}, {"CR LF", "\r\n"}, {"CR", "\r"}};
  for (const PluginFixtures& plugin : plugins) {
    for (const auto& [file, bytes] : FixtureFilesIn(std::string("check/") + plugin.folder)) {
      std::optional<std::string> expected = FixtureDirective(bytes, "expect");
      if (UnderWine()) {
        if (auto wine = FixtureDirective(bytes, "expect under Wine")) expected = wine;
      }
      std::smatch match;
      if (!expected || !std::regex_search(*expected, match, expectation)) {
        ADD_FAILURE() << file << " says nothing of what it should produce";
        continue;
      }
      const int exit = std::stoi(match[1]);
      const std::string kinds = match[2];
      const std::string name = std::string(plugin.folder) + "/" + file.filename().string();
      // Where Wine reads a file otherwise than Windows, its report is kept beside as .wine.txt.
      const std::string stem = "check/" + std::string(plugin.folder) + "_" + file.stem().string();
      const bool wineCopy = fs::exists(fs::path(TARQUEL_SOURCE_DIR) / "tests/transcripts" / (stem + ".wine.txt"));
      const std::string golden = stem + (UnderWine() && wineCopy ? ".wine.txt" : ".txt");
      for (const auto& [endName, end] : lineEnds) {
        SCOPED_TRACE(name + " with " + endName + " line ends");
        CheckedGameFolder game;
        game.InstallPlugins();
        game.Write(std::string("asi/") + plugin.fileName, WithLineEnds(bytes, end));
        const FolderReport report = check::CheckGameFolder(game.Path());
        EXPECT_EQ(report.ExitStatus(), exit) << ReportText(report);
        EXPECT_EQ(Joined(WarningKinds(report)), kinds) << ReportText(report);
        ExpectGoldenFile(golden, ReportText(report), "the checker reported otherwise");
        if (HasFailure()) break;  // one report of a fault is enough
      }
    }
  }
}

// Every hostile settings file, as either plug-in's: the checker finishes, says it could not read
// what it could not, and prints nothing but short lines of printable ASCII, whatever the bytes.
TEST(SettingsChecker, HostileFilesGiveAReportOfPlainShortLines) {
  for (const auto& [file, stored] : FixtureFilesIn("hostile")) {
    const std::string bytes = ExpandFixture(stored);
    const std::optional<std::string> make = FixtureDirective(stored, "make");
    for (const char* name : {"Tarquel Clock.ini", "Tarquel HaltGlimmer.ini"}) {
      const std::string what = file.filename().string() + " as " + name;
      CheckedGameFolder game;
      game.InstallPlugins();
      if (make == "directory") fs::create_directories(game.Path() / "asi" / name);
      else game.Write(std::string("asi/") + name, bytes);
      std::optional<HeldFile> held;
      if (make == "locked") held.emplace(game.Path() / "asi" / name);
      const FolderReport report = check::CheckGameFolder(game.Path());
      // Any bytes at all can be read; only a folder in the file's place cannot, nor a file that
      // another program holds, where the system's reader honours that.
      const bool unreadable = make == "directory" || (make == "locked" && kSystemReadsSettings);
      EXPECT_EQ(report.ExitStatus() == 2, unreadable) << what << "\n" << ReportText(report);
      const std::string text = ReportText(report);
      std::istringstream lines(text);
      size_t number = 0;
      for (std::string line; std::getline(lines, line);) {
        ++number;
        const bool plain = std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
        EXPECT_TRUE(plain) << what << ", line " << number << ": " << line;
        EXPECT_LE(line.size(), 400u) << what << ", line " << number << ": " << line.substr(0, 200) << "...";
      }
    }
  }
}

// Whole folders: what is there besides the settings' contents.
TEST(SettingsChecker, FolderCases) {
  auto shipped = [](const char* name) { return ReadFileBytes(fs::path(TARQUEL_SOURCE_DIR) / "packaging/asi" / name); };
  const std::optional<std::string> kFolder;  // a folder of that name instead of a file
  struct Case {
    const char* what;
    bool clock, haltGlimmer;  // which plug-ins' .asi files are there
    std::vector<std::pair<std::string, std::optional<std::string>>> files;
    int exit;
    const char* kinds;
  };
  const Case cases[] = {
      {"both plug-ins with the shipped settings files", true, true,
       {{"asi/Tarquel Clock.ini", shipped("Tarquel Clock.ini")},
        {"asi/Tarquel HaltGlimmer.ini", shipped("Tarquel HaltGlimmer.ini")}},
       0, "none"},
      {"both plug-ins, no settings files", true, true, {}, 0, "none"},
      {"only the clock", true, false, {}, 0, "none"},
      {"an empty folder", false, false, {}, 1, "nothing installed"},
      {"settings without their plug-in", true, false, {{"asi/Tarquel HaltGlimmer.ini", "[Settings]\nDisableKey=122\n"}},
       1, "plug-in missing"},
      {"settings files where the plug-ins do not look", true, true,
       {{"Tarquel Clock.ini", "[Settings]\nXCoord=50\n"}, {"asi/Tarquel HaltGlimmer.ini.txt", "[Settings]\nDisableKey=122\n"}},
       1, "misplaced file, misplaced file"},
      {"one hot key for both", true, true, {{"asi/Tarquel Clock.ini", "[Settings]\nSwitchClockKey=123\n"}}, 1, "same hot key"},
      {"the same dead key for both is only dead", true, true,
       {{"asi/Tarquel Clock.ini", "[Settings]\nSwitchClockKey=300\n"}, {"asi/Tarquel HaltGlimmer.ini", "[Settings]\nDisableKey=300\n"}},
       1, "key never fires, key never fires"},
      {"a folder in the settings file's place", true, true, {{"asi/Tarquel Clock.ini", kFolder}}, 2, "none"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    CheckedGameFolder game;
    game.InstallPlugins(cases[i].clock, cases[i].haltGlimmer);
    for (const auto& [name, bytes] : cases[i].files) {
      if (bytes) game.Write(name, *bytes);
      else fs::create_directories(game.Path() / name);
    }
    const FolderReport report = check::CheckGameFolder(game.Path());
    EXPECT_EQ(report.ExitStatus(), cases[i].exit) << "case " << i << " (" << cases[i].what << ")\n" << ReportText(report);
    EXPECT_EQ(Joined(WarningKinds(report)), cases[i].kinds)
        << "case " << i << " (" << cases[i].what << ")\n" << ReportText(report);
  }
}

TEST(SettingsChecker, AFolderThatIsNotThereOrNotAFolderCannotBeChecked) {
  CheckedGameFolder game;
  game.Write("a file", "text");
  for (const fs::path& path : {game.Path() / "no such folder", game.Path() / "a file"}) {
    const FolderReport report = check::CheckGameFolder(path);
    EXPECT_EQ(report.ExitStatus(), 2) << path;
    EXPECT_FALSE(report.folderProblem.empty()) << path;
  }
  // The current directory is the caller's again afterwards, whatever happened.
  const fs::path before = fs::current_path();
  game.InstallPlugins();
  check::CheckGameFolder(game.Path());
  EXPECT_EQ(fs::current_path(), before);
}

// The pictures take the place the plug-ins will draw at and the texts they will draw.
TEST(SettingsChecker, PreviewFramesDrawWhatThePluginsWill) {
  struct Case {
    const char* clockFile;
    float x, y;
  };
  const Case cases[] = {
      {"", 0.89f, 0.01f},
      {"[Settings]\nXCoord=50\nYCoord=25\n", 0.5f, 0.25f},
      {"[Settings]\nXCoord=12,5\nYCoord=\n", 0.12f, 0.0f},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    CheckedGameFolder game;
    game.InstallPlugins();
    if (cases[i].clockFile[0] != '\0') game.Write("asi/Tarquel Clock.ini", cases[i].clockFile);
    const FolderReport report = check::CheckGameFolder(game.Path());
    const std::vector<check::ScreenFrame> frames = check::PreviewFrames(report, {7, 5}, {21, 47});
    ASSERT_EQ(frames.size(), 4u) << "case " << i;
    struct Seen {
      std::string text;
      float scale, x, y;
      int32_t centred;
    };
    auto only = [&](size_t frame) -> Seen {
      if (frames[frame].lines.size() != 1) return {"(" + std::to_string(frames[frame].lines.size()) + " lines)", 0, 0, 0, 0};
      const check::ScreenLine& line = frames[frame].lines[0];
      return {line.text, line.scale, line.x, line.y, line.centred};
    };
    const Seen game0 = only(0), real = only(1), on = only(3);
    EXPECT_EQ(game0.text, "~g~Game Clock: ~y~07:05") << "case " << i;
    EXPECT_EQ(real.text, "~r~Real Clock: ~y~21:47") << "case " << i;
    for (const Seen& clock : {game0, real}) {
      EXPECT_EQ(clock.x, cases[i].x) << "case " << i;
      EXPECT_EQ(clock.y, cases[i].y) << "case " << i;
      EXPECT_EQ(clock.scale, 0.3f) << "case " << i;
      EXPECT_EQ(clock.centred, 0) << "case " << i;
    }
    EXPECT_TRUE(frames[2].lines.empty()) << "case " << i << ": the hidden mode draws nothing";
    EXPECT_EQ(on.text, "HaltGlimmer Mod ~g~ON") << "case " << i;
    EXPECT_EQ(on.scale, 0.5f);
    EXPECT_EQ(on.centred, 1);
    EXPECT_EQ(on.x, 0.5f);
    EXPECT_EQ(on.y, 0.94f);
  }
}

}  // namespace
}  // namespace tarquel::test
