// Pointing a loaded plug-in's imports at the emulator (Windows only): the tick it reads becomes
// the host's, and its settings reads are recorded before they reach the system.
#pragma once

#include <windows.h>

#include <vector>

namespace tarquel::emu {

struct ImportReplacement {
  const char* name;  // the imported function's name, from whichever DLL
  void* function;    // what the import is pointed at instead
};

// The replacements for a plug-in; the tick only when the host keeps its own time.
std::vector<ImportReplacement> PluginImportReplacements(bool emulatedTick);

// Rewrites the module's import address table; returns how many entries it replaced.
int ReplaceImports(HMODULE module, const std::vector<ImportReplacement>& replacements);

}  // namespace tarquel::emu
