// Loading a plug-in on Windows the way the game's plug-in loader does, with LoadLibrary: the
// system runs its static initialisers and then DllMain in that one call. So that the plug-in
// reads the host's tick and its settings reads are seen from the very first one, its imports
// are repointed the moment the system has mapped it and bound its imports, before any of its
// code runs, from the loader's own notification.
#include <windows.h>
#include <winternl.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "host_emulator/host.h"
#include "host_emulator/plugin_imports_win32.h"
#include "host_emulator/plugin_library.h"

namespace tarquel::emu {

namespace {

struct DllNotificationData {
  ULONG flags;
  const UNICODE_STRING* fullDllName;
  const UNICODE_STRING* baseDllName;
  void* dllBase;
  ULONG sizeOfImage;
};
using DllNotificationFn = VOID(CALLBACK*)(ULONG reason, const DllNotificationData* data, void* context);
using RegisterDllNotificationFn = LONG(NTAPI*)(ULONG flags, DllNotificationFn callback, void* context, void** cookie);
using UnregisterDllNotificationFn = LONG(NTAPI*)(void* cookie);
constexpr ULONG kDllLoaded = 1;

struct Loading {
  std::wstring fileName;  // the plug-in's file name, as the notification names it
  bool emulatedTick = true;
  HMODULE module = nullptr;
  int replaced = 0;
};
Loading* loading = nullptr;

VOID CALLBACK OnDllNotification(ULONG reason, const DllNotificationData* data, void*) {
  if (reason != kDllLoaded || loading == nullptr || loading->module != nullptr) return;
  const std::wstring name(data->baseDllName->Buffer, data->baseDllName->Length / sizeof(wchar_t));
  if (_wcsicmp(name.c_str(), loading->fileName.c_str()) != 0) return;
  loading->module = static_cast<HMODULE>(data->dllBase);
  Host::Instance().SetLoadedModule(loading->module);
  loading->replaced = ReplaceImports(loading->module, PluginImportReplacements(loading->emulatedTick));
}

template <typename T>
T NtdllFunction(const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

}  // namespace

int ReplaceImports(HMODULE module, const std::vector<ImportReplacement>& replacements) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return 0;
  int replaced = 0;
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0;
       ++entry) {
    if (entry->OriginalFirstThunk == 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      for (const ImportReplacement& replacement : replacements) {
        if (std::strcmp(reinterpret_cast<const char*>(byName->Name), replacement.name) != 0) continue;
        DWORD protection = 0;
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
        slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement.function);
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        ++replaced;
      }
    }
  }
  return replaced;
}

PluginLibrary::PluginLibrary(const std::string& path, uint32_t startTick, bool realTime)
    // Taken whole now: the current directory is about to become the game folder.
    : path_(std::filesystem::absolute(path).string()) {
  Host& host = Host::Instance();
  host.Reset(startTick);
  host.SetRealTime(realTime);
  // The system's profile functions resolve relative names against the real current directory.
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  previousDirectory_ = std::filesystem::path(previous).string();
  SetCurrentDirectoryW(std::filesystem::path(host.CurrentDirectory()).wstring().c_str());

  const std::filesystem::path file(path_);
  Loading watch{.fileName = file.filename().wstring(), .emulatedTick = !realTime};
  void* cookie = nullptr;
  auto registerNotification = NtdllFunction<RegisterDllNotificationFn>("LdrRegisterDllNotification");
  auto unregisterNotification = NtdllFunction<UnregisterDllNotificationFn>("LdrUnregisterDllNotification");
  loading = &watch;
  if (registerNotification != nullptr) registerNotification(0, OnDllNotification, nullptr, &cookie);
  host.SetPhase(Phase::Loading);
  host.SetAttachBeginsAtFirstRegistration(true);
  HMODULE module = LoadLibraryW(file.wstring().c_str());
  if (cookie != nullptr && unregisterNotification != nullptr) unregisterNotification(cookie);
  loading = nullptr;
  if (module == nullptr) {
    host.SetPhase(Phase::Idle);
    SetCurrentDirectoryW(previous);
    throw std::runtime_error("cannot load " + path_ + ": error " + std::to_string(GetLastError()));
  }
  // A loader that binds imports only after telling us still gets them repointed here, if late.
  if (watch.module == nullptr || watch.replaced == 0) {
    host.SetLoadedModule(module);
    ReplaceImports(module, PluginImportReplacements(!realTime));
  }
  handle_ = module;
  module_ = module;
  host.SetPhase(Phase::Running);
}

void PluginLibrary::StartAndEndThread() {
  // The system tells every loaded DLL of a thread that starts and ends, with reasons 2 and 3.
  HANDLE thread = CreateThread(nullptr, 0, [](void*) -> DWORD { return 0; }, nullptr, 0, nullptr);
  if (thread == nullptr) throw std::runtime_error("cannot start a thread");
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

PluginLibrary::~PluginLibrary() {
  Host& host = Host::Instance();
  host.SetPhase(Phase::Detaching);
  host.DropScript();
  FreeLibrary(static_cast<HMODULE>(handle_));
  if (GetModuleHandleW(std::filesystem::path(path_).wstring().c_str()) != nullptr)
    host.AddViolation("the plug-in stayed mapped after unload, so its statics would carry into the next load");
  SetCurrentDirectoryW(std::filesystem::path(previousDirectory_).wstring().c_str());
  host.SetPhase(Phase::Idle);
}

}  // namespace tarquel::emu
