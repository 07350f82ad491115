// tarquel-check: tells a player what the Tarquel plug-ins will make of the settings files in a
// game folder, and shows where their texts land on the screen.
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "settings_checker/settings_report.h"
#include "settings_checker/terminal.h"

namespace {

using namespace tarquel::check;

const char kUsage[] =
    "Usage: tarquel-check [GAME_FOLDER] [--png FILE] [--colour auto|always|never] [--no-preview]\n"
    "                     [--game-time HH:MM] [--real-time HH:MM]\n"
    "\n"
    "Reads asi/Tarquel Clock.ini and asi/Tarquel HaltGlimmer.ini in GAME_FOLDER (the current\n"
    "folder if none is given) exactly as the plug-ins will, and tells for every setting what\n"
    "it will be and why, and what will not work as meant. Then it shows where the clock and\n"
    "HaltGlimmer's message land on the screen.\n"
    "\n"
    "  --png FILE          also draw the screens into FILE, a PNG picture\n"
    "  --colour WHEN       colours in the preview: auto (on a terminal), always or never\n"
    "  --no-preview        no screens in the terminal\n"
    "  --game-time HH:MM   the time the game clock shows in the screens (07:05)\n"
    "  --real-time HH:MM   the time the real clock shows in the screens (now)\n"
    "\n"
    "Exit status: 0 no warnings, 1 warnings, 2 a folder or settings file cannot be read, the\n"
    "picture cannot be written, or the command line is wrong.\n";

std::optional<ClockTime> ParseTime(const std::string& text) {
  if (text.size() != 5 || text[2] != ':') return std::nullopt;
  for (const size_t i : {0, 1, 3, 4}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  const ClockTime time{(text[0] - '0') * 10 + (text[1] - '0'), (text[3] - '0') * 10 + (text[4] - '0')};
  if (time.hours > 23 || time.minutes > 59) return std::nullopt;
  return time;
}

ClockTime LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  return local != nullptr ? ClockTime{local->tm_hour, local->tm_min} : ClockTime{};
}

int Fail(const std::string& problem) {
  std::cerr << "tarquel-check: " << problem << "\n\n" << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> folder, png;
  std::string colour = "auto";
  bool preview = true;
  ClockTime gameTime{7, 5};
  ClockTime realTime = LocalTimeNow();
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--png") {
      png = value();
      if (!png || png->empty()) return Fail("--png needs a file name");
    } else if (arg == "--colour" || arg == "--color") {
      const std::optional<std::string> when = value();
      if (!when || (*when != "auto" && *when != "always" && *when != "never"))
        return Fail("--colour takes auto, always or never");
      colour = *when;
    } else if (arg == "--no-preview") {
      preview = false;
    } else if (arg == "--game-time" || arg == "--real-time") {
      const std::optional<std::string> text = value();
      const std::optional<ClockTime> time = text ? ParseTime(*text) : std::nullopt;
      if (!time) return Fail(arg + " takes a time such as 07:05");
      (arg == "--game-time" ? gameTime : realTime) = *time;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return Fail("unknown option " + arg);
    } else if (folder) {
      return Fail("one game folder at a time");
    } else {
      folder = arg;
    }
  }

  const FolderReport report = CheckGameFolder(folder.value_or("."));
  WriteReport(std::cout, report);
  int status = report.ExitStatus();
  if (report.folderProblem.empty()) {
    const std::vector<ScreenFrame> frames = PreviewFrames(report, gameTime, realTime);
    if (preview) {
      std::cout << "\n";
      WritePreview(std::cout, frames, colour == "always" || (colour == "auto" && StdoutTakesColour()));
    }
    if (png) {
      const std::string problem = WritePng(*png, frames);
      if (problem.empty()) {
        std::cout << "\nPicture of the screens: " << *png << "\n";
      } else {
        std::cerr << "tarquel-check: " << problem << "\n";
        status = 2;
      }
    }
  }
  if (ConsoleClosesAtExit()) {
    std::cout << "\nPress Enter to close this window." << std::flush;
    std::cin.get();
  }
  return status;
}
