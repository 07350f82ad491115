// Loading a plug-in the way the game's plug-in loader does: map it (its static initialisers run
// and read the settings), then DllMain with process attach; at the end DllMain with process
// detach, then unmap it, so that the next load starts again from the statics' load values.
#pragma once

#include <string>

namespace tarquel::emu {

class PluginLibrary {
 public:
  // Resets the host to `startTick` (or to real time, on the system's clock), then loads and
  // attaches the plug-in. Throws when the file cannot be loaded.
  PluginLibrary(const std::string& path, uint32_t startTick, bool realTime = false);
  // Detaches and unloads; a plug-in that stays mapped afterwards is a violation.
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // The module handle DllMain received.
  const void* Module() const { return module_; }
  // What the system does when a thread starts and ends in the process: DllMain with reasons 2
  // and 3.
  void StartAndEndThread();

 private:
  std::string path_;
  std::string previousDirectory_;
  void* handle_ = nullptr;
  const void* module_ = nullptr;
  void* dllMain_ = nullptr;  // the plug-in's DllMain, where the platform calls it from here
};

}  // namespace tarquel::emu
