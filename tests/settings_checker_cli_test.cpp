// tarquel-check as players run it: the program itself, its arguments, its exit status, what it
// prints and the picture it draws; the Windows build under Wine prints the same as the Linux one.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "settings_checker/screen_picture.h"
#include "tests/support/files.h"
#include "tests/support/checked_game_folder.h"
#include "tests/support/golden_file.h"
#include "tests/support/png_picture.h"

namespace tarquel::test {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int status = -1;
  std::string out, err;
};

// Runs `program` (under Wine when `wine`) with `args` in `directory`, its output in files.
ProgramRun RunChecker(const std::string& program, const std::vector<std::string>& args, const fs::path& directory,
               bool wine = false) {
  const fs::path out = directory / ".out", err = directory / ".err";
  std::string command = "cd " + ShellQuote(directory.string()) + " && ";
  if (wine) command += ShellQuote(TARQUEL_WINE_RUN) + " ";
  command += ShellQuote(program);
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  command += " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string()) + " </dev/null";
  const int raw = std::system(command.c_str());
  ProgramRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFileBytes(out);
  run.err = ReadFileBytes(err);
  fs::remove(out);
  fs::remove(err);
  return run;
}

TEST(SettingsCheckerProgram, ArgumentsExitStatusAndOutput) {
  struct Case {
    const char* what;
    std::function<void(const CheckedGameFolder&)> make;
    std::vector<std::string> args;  // "GAME" stands for the game folder
    int status;
    std::vector<std::string> outHas, outLacks, errHas;
  };
  auto clean = [](const CheckedGameFolder& game) { game.InstallPlugins(); };
  auto warned = [](const CheckedGameFolder& game) {
    game.InstallPlugins();
    game.Write("asi/Tarquel Clock.ini", "[Settings]\nXCoord=12,5\n");
  };
  const Case cases[] = {
      {"clean, in the folder itself", clean, {}, 0, {"No warnings", "+-----"}, {"\x1b["}, {}},
      {"clean, the folder given", clean, {"GAME"}, 0, {"No warnings"}, {}, {}},
      {"warnings", warned, {"GAME"}, 1, {"warning (decimal comma)", "1 warning."}, {}, {}},
      {"no such folder", clean, {"GAME/nowhere"}, 2, {"cannot be checked: there is no such folder"}, {"+-----"}, {}},
      {"an unreadable settings file", [](const CheckedGameFolder& game) {
         game.InstallPlugins();
         fs::create_directories(game.Path() / "asi/Tarquel HaltGlimmer.ini");
       }, {"GAME"}, 2, {"cannot be read: it is a folder"}, {}, {}},
      {"colours asked for", clean, {"GAME", "--colour", "always"}, 0, {"\x1b["}, {}, {}},
      {"colours refused", clean, {"GAME", "--colour", "never"}, 0, {"#"}, {"\x1b["}, {}},
      {"no preview", clean, {"GAME", "--no-preview"}, 0, {"No warnings"}, {"+-----"}, {}},
      {"help", clean, {"--help"}, 0, {"Usage: tarquel-check", "Exit status"}, {"Game folder"}, {}},
      {"an unknown option", clean, {"GAME", "--fast"}, 2, {}, {"Game folder"}, {"unknown option --fast", "Usage"}},
      {"two folders", clean, {"GAME", "GAME"}, 2, {}, {}, {"one game folder at a time"}},
      {"a bad time", clean, {"--real-time", "25:00"}, 2, {}, {}, {"--real-time takes a time"}},
      {"--png without a file", clean, {"--png"}, 2, {}, {}, {"--png needs a file name"}},
      {"a picture that cannot be written", clean, {"GAME", "--png", "GAME/asi"}, 2, {"No warnings"}, {}, {"cannot write"}},
      {"a picture and warnings", warned, {"GAME", "--png", "GAME/screens.png"}, 1, {"Picture of the screens: "}, {}, {}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    CheckedGameFolder game;
    c.make(game);
    std::vector<std::string> args;
    for (std::string arg : c.args) {
      if (arg.rfind("GAME", 0) == 0) arg = game.Path().string() + arg.substr(4);
      args.push_back(arg);
    }
    const ProgramRun run = RunChecker(TARQUEL_CHECK_PROGRAM, args, game.Path());
    const std::string shown = "case " + std::to_string(i) + " (" + c.what + ")\nstdout:\n" + run.out + "\nstderr:\n" + run.err;
    EXPECT_EQ(run.status, c.status) << shown;
    for (const std::string& text : c.outHas) EXPECT_NE(run.out.find(text), std::string::npos) << "wanted " << text << "\n" << shown;
    for (const std::string& text : c.outLacks) EXPECT_EQ(run.out.find(text), std::string::npos) << "unwanted " << text << "\n" << shown;
    for (const std::string& text : c.errHas) EXPECT_NE(run.err.find(text), std::string::npos) << "wanted " << text << "\n" << shown;
  }
}

// One folder, played as a player would see it, kept whole: the report and the four screens.
// The Windows build under Wine, over the system's own profile functions, must print the same.
TEST(SettingsCheckerProgram, ARunPrintsItsGoldenTranscriptOnLinuxAndUnderWine) {
  CheckedGameFolder game;
  game.InstallPlugins();
  game.Write("asi/Tarquel Clock.ini", "[Settings]\r\nSwitchClockKey=34\r\nXCoord=50\r\nYCoord=50\r\n");
  game.Write("asi/Tarquel HaltGlimmer.ini", "[Settings]\r\nDisableKey=300\r\nEnableAtStart=1\r\n");
  const std::vector<std::string> args = {"--colour", "never", "--game-time", "07:05", "--real-time", "21:47"};
  auto masked = [](std::string text) {
    text = std::regex_replace(text, std::regex("Game folder: [^\n]*"), "Game folder: (the test's)");
    return std::regex_replace(text, std::regex("\r\n"), "\n");
  };
  const ProgramRun onLinux = RunChecker(TARQUEL_CHECK_PROGRAM, args, game.Path());
  EXPECT_EQ(onLinux.status, 1) << onLinux.out << onLinux.err;
  ExpectGoldenFile("check/program_run.txt", masked(onLinux.out), "the checker printed otherwise");

  const ProgramRun underWine = RunChecker(TARQUEL_CHECK_WINDOWS_PROGRAM, args, game.Path(), true);
  EXPECT_EQ(underWine.status, 1) << underWine.out << underWine.err;
  EXPECT_EQ(masked(underWine.out), masked(onLinux.out)) << "the Windows build printed otherwise under Wine";
}

// The player's README shows a run; it must be what the program prints for the settings it names.
TEST(SettingsCheckerProgram, ThePlayersReadmeShowsARealRun) {
  const std::string readme = std::regex_replace(ReadFileBytes(fs::path(TARQUEL_SOURCE_DIR) / "packaging/README.txt"),
                                                std::regex("\r\n"), "\n");
  const std::string intro = "EnableAtStart=2 it prints:\n\n", outro = "\n\nand three more screens";
  const size_t begin = readme.find(intro), end = readme.find(outro);
  ASSERT_TRUE(begin != std::string::npos && end != std::string::npos && begin < end) << "no sample run in the README";
  std::string shown;
  std::istringstream sample(readme.substr(begin + intro.size(), end - begin - intro.size()));
  for (std::string line; std::getline(sample, line);) shown += (line.rfind("  ", 0) == 0 ? line.substr(2) : line) + "\n";

  CheckedGameFolder game;
  game.InstallPlugins();
  game.Write("asi/Tarquel Clock.ini", "[Settings]\r\nSwitchClockKey=33\r\nXCoord=12,5\r\nYCoord=1\r\n");
  game.Write("asi/Tarquel HaltGlimmer.ini", "[Settings]\r\nDisableKey=123\r\nEnableAtStart=2\r\n");
  const ProgramRun run = RunChecker(TARQUEL_CHECK_PROGRAM, {"--colour", "never", "--real-time", "21:47"}, game.Path());
  std::string printed = std::regex_replace(run.out, std::regex("Game folder: [^\n]*"), "Game folder: C:\\Games\\TheGame");
  EXPECT_EQ(printed.substr(0, shown.size()), shown) << "the README's sample run is not what the program prints";
}

// The picture, read back with libpng: the clock's text lies where the settings put it.
TEST(SettingsCheckerProgram, ThePictureShowsTheClockWhereTheSettingsPutIt) {
  struct Case {
    const char* x;
    const char* y;
  };
  const Case cases[] = {{"89", "1"}, {"50", "50"}, {"5", "90"}, {"12,5", "30"}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    CheckedGameFolder game;
    game.InstallPlugins();
    game.Write("asi/Tarquel Clock.ini", std::string("[Settings]\nXCoord=") + cases[i].x + "\nYCoord=" + cases[i].y + "\n");
    const fs::path png = game.Path() / "screens.png";
    const ProgramRun run = RunChecker(TARQUEL_CHECK_PROGRAM, {"--no-preview", "--png", png.string()}, game.Path());
    ASSERT_LE(run.status, 1) << "case " << i << "\n" << run.out << run.err;
    const std::optional<Picture> picture = ReadPng(png.string());
    ASSERT_TRUE(picture.has_value()) << "case " << i << ": " << png << " is no PNG libpng reads";
    const Rect screen = ScreenOf(0);  // the game clock's screen
    const Rgb background = MostCommon(*picture, screen);
    const std::optional<Rect> ink = BoundsOf(*picture, screen, [&](Rgb c) { return c != background; });
    ASSERT_TRUE(ink.has_value()) << "case " << i << ": nothing drawn in the game clock's screen";
    const double width = screen.right - screen.left, height = screen.bottom - screen.top;
    const double x = std::stod(cases[i].x) / 100 * width, y = std::stod(cases[i].y) / 100 * height;
    // The line's left edge and top are x and y: its ink (with its one-pixel edge) starts just
    // around them, the first glyph's side bearing and the capitals' top a little inside.
    const std::string where = "case " + std::to_string(i) + " (" + cases[i].x + ", " + cases[i].y + "): ink at " + Show(ink);
    EXPECT_GE(ink->left, x - 2) << where;
    EXPECT_LE(ink->left, x + 3) << where;
    EXPECT_GE(ink->top, y - 2) << where;
    EXPECT_LE(ink->top, y + 3) << where;
    // One line of scale 0.3: an em of 0.3/18 of the screen's height, 12 pixels here.
    EXPECT_LE(ink->bottom - ink->top, 0.3 / 18 * height + 4) << where;
  }
}

}  // namespace
}  // namespace tarquel::test
