// What the two plug-ins will make of the settings files in a game folder, read through the
// plug-ins' own settings code, and warnings where that is unlikely to be what the player meant.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "settings_checker/screen_picture.h"

namespace tarquel::check {

struct Warning {
  std::string kind;  // a short stable name, such as "decimal comma"
  std::string text;  // what happens and what to write instead
};

// One setting as its plug-in will read it.
struct SettingReading {
  std::string name;                  // "XCoord"
  std::string value;                 // the effective value as a player reads it: "12 %", "33"
  std::string source;                // "as written", "default: no file", "read partly: ...", ...
  std::vector<std::string> details;  // further lines, such as the hot key's name
};

struct PluginReport {
  std::string plugin;    // "Tarquel Clock"
  std::string asiFile;   // "Tarquel Clock.asi", in the game folder
  std::string settings;  // "asi/Tarquel Clock.ini"
  bool asiPresent = false;
  bool installed = false;     // its .asi or its settings file is here
  std::string fileState;      // "read", "not there: ...", "cannot be read: ..."
  bool unreadable = false;    // the settings file is there but cannot be read
  std::vector<SettingReading> readings;
  std::vector<Warning> warnings;
};

struct FolderReport {
  std::string folder;         // as checked, absolute
  std::string folderProblem;  // non-empty when the folder itself cannot be checked
  PluginReport clock;
  PluginReport haltGlimmer;
  std::vector<Warning> warnings;  // about the folder or both plug-ins together

  // What the plug-ins will run with, for the pictures.
  float clockX = 0, clockY = 0;
  uint32_t switchClockKey = 0, disableKey = 0;
  int32_t enableAtStart = 0;

  size_t WarningCount() const;
  // 0 nothing to warn about, 1 warnings, 2 the folder or a settings file cannot be read.
  int ExitStatus() const;
};

// Reads both plug-ins' settings in `folder` as the plug-ins would with the game started there.
// The process's current directory is the folder while the files are read, and is restored.
FolderReport CheckGameFolder(const std::filesystem::path& folder);

// The report as text for the terminal, ending with a line that sums it up.
void WriteReport(std::ostream& out, const FolderReport& report);

// The clock as one HH:MM.
struct ClockTime {
  int hours = 0, minutes = 0;
};

// The screens the settings give: the clock in its three modes (the game clock showing
// `gameTime`, the real clock `realTime`, nothing) and HaltGlimmer's ON notification.
std::vector<ScreenFrame> PreviewFrames(const FolderReport& report, ClockTime gameTime, ClockTime realTime);

}  // namespace tarquel::check
