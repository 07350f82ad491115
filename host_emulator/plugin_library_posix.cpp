#include <dlfcn.h>

#include <cstdint>
#include <stdexcept>

#include "host_emulator/host.h"
#include "win32_stand_in.h"
#include "host_emulator/plugin_library.h"

namespace tarquel::emu {

namespace {

// DllMain's own type, as the plug-in defines it: calling it through any other is undefined.
using DllMainFunction = BOOL (*)(HINSTANCE, DWORD, LPVOID);

int CallDllMain(void* dllMain, void* module, DWORD reason) {
  return reinterpret_cast<DllMainFunction>(dllMain)(static_cast<HINSTANCE>(module), reason, nullptr);
}

}  // namespace

PluginLibrary::PluginLibrary(const std::string& path, uint32_t startTick, bool realTime) : path_(path) {
  Host& host = Host::Instance();
  host.Reset(startTick);
  host.SetRealTime(realTime);
  host.SetPhase(Phase::Loading);
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    host.SetPhase(Phase::Idle);
    const char* why = dlerror();
    throw std::runtime_error("cannot load " + path + ": " + (why != nullptr ? why : "?"));
  }
  dllMain_ = dlsym(handle_, "DllMain");
  if (dllMain_ == nullptr) {
    dlclose(handle_);
    host.SetPhase(Phase::Idle);
    throw std::runtime_error(path + " has no DllMain");
  }
  // Any stable, distinct value serves as the module handle; Windows passes the image base.
  module_ = handle_;
  host.SetLoadedModule(module_);
  host.SetPhase(Phase::Attaching);
  if (CallDllMain(dllMain_, handle_, DLL_PROCESS_ATTACH) != 1) host.AddViolation("DllMain refused process attach");
  host.SetPhase(Phase::Running);
}

void PluginLibrary::StartAndEndThread() {
  for (unsigned reason : {2u, 3u})
    if (CallDllMain(dllMain_, handle_, reason) != 1) Host::Instance().AddViolation("DllMain refused a thread's start or end");
}

PluginLibrary::~PluginLibrary() {
  Host& host = Host::Instance();
  host.SetPhase(Phase::Detaching);
  if (CallDllMain(dllMain_, handle_, DLL_PROCESS_DETACH) != 1) host.AddViolation("DllMain refused process detach");
  host.DropScript();
  dlclose(handle_);
  if (void* still = dlopen(path_.c_str(), RTLD_NOW | RTLD_NOLOAD); still != nullptr) {
    dlclose(still);
    host.AddViolation("the plug-in stayed mapped after unload, so its statics would carry into the next load");
  }
  host.SetPhase(Phase::Idle);
}

}  // namespace tarquel::emu
