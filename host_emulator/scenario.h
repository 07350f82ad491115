// A game folder and a plug-in loaded into the emulated host for one scenario.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host_emulator/host.h"
#include "host_emulator/plugin_library.h"

namespace tarquel::emu {

// A throwaway game folder: the emulated process's current directory, with an asi/ folder for
// the plug-ins' settings files. Removed with everything in it when it goes.
class GameFolder {
 public:
  GameFolder();
  ~GameFolder();
  GameFolder(const GameFolder&) = delete;
  GameFolder& operator=(const GameFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Writes asi/<fileName> byte for byte (no line-ending translation).
  void WriteSettings(const std::string& fileName, const std::string& content) const;
  void RemoveSettings(const std::string& fileName) const;

 private:
  std::filesystem::path path_;
};

class Scenario {
 public:
  // A tick well away from 0 and from the wrap, so that neither hides a fault by accident.
  static constexpr uint32_t kDefaultStartTick = 5'000'000;

  explicit Scenario(std::string pluginPath);
  ~Scenario();

  GameFolder& Folder() { return folder_; }
  Host& host() { return Host::Instance(); }

  // Loads the plug-in fresh: statics at their load values, static initialisers, DllMain attach.
  // In real time the plug-in reads the system's own clock and frames take their time.
  void Load(uint32_t startTick = kDefaultStartTick, bool realTime = false);
  // DllMain detach and unmap.
  void Unload();
  bool Loaded() const { return library_ != nullptr; }
  PluginLibrary& Library() { return *library_; }

 private:
  std::string pluginPath_;
  GameFolder folder_;
  std::unique_ptr<PluginLibrary> library_;
};

// What the player sees, frame by frame, changes only: one line per frame whose drawn texts or
// lit brake lights differ from the frame before, "frame 126 +2000 ms: [green]Game Clock: ...",
// ticks relative to `baseTick`; a frame that shows nothing after one that did says "(nothing)".
struct VisibleChange {
  uint64_t frame = 0;
  std::string line;
};
std::vector<VisibleChange> VisibleChanges(const std::vector<FrameRecord>& frames, uint32_t baseTick);

}  // namespace tarquel::emu
