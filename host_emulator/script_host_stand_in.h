// The stand-in for the script host's DLL on Windows, as the emulator binds itself to it.
//
// A plug-in imports the host's eight functions from the host's DLL; our stand-in DLL exports them
// under the same names and hands every call to the emulator in the running program, which binds
// its table here before it loads a plug-in.
#pragma once

#include "common/platform.h"

extern "C" {

struct ScriptHostCalls {
  void (*scriptRegister)(HMODULE module, void (*entry)());
  void (*scriptUnregister)(void (*entry)());
  void (*keyboardHandlerRegister)(void (*handler)(DWORD, WORD, BYTE, BOOL, BOOL, BOOL, BOOL));
  void (*keyboardHandlerUnregister)(void (*handler)(DWORD, WORD, BYTE, BOOL, BOOL, BOOL, BOOL));
  void (*scriptWait)(DWORD ms);
  void (*nativeInit)(UINT64 hash);
  void (*nativePush64)(UINT64 slot);
  PUINT64 (*nativeCall)();
};

#if !defined(TARQUEL_STAND_IN_API)
#define TARQUEL_STAND_IN_API __declspec(dllimport)
#endif

// Until a table is bound, every call does nothing and nativeCall returns a zero slot.
TARQUEL_STAND_IN_API void TarquelBindScriptHost(const ScriptHostCalls* calls);
}
