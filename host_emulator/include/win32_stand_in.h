// The Win32 names a plug-in uses, as the host emulator provides them off Windows.
//
// Types have the sizes Windows gives them (DWORD is 32 bits here too), so the plug-in sources
// compile unchanged. The functions are defined by the emulator: the tick is the emulator's fake
// clock, and the profile functions read real files the way Windows does.
#pragma once

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <time.h>

using BOOL = int32_t;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using INT = int32_t;
using UINT = uint32_t;
using UINT64 = uint64_t;
using PUINT64 = uint64_t*;
using LPVOID = void*;
using LPSTR = char*;
using LPCSTR = const char*;

struct HINSTANCE__ {
  int unused;
};
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

#define WINAPI
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

extern "C" {
DWORD GetTickCount();
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName);
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out,
                               DWORD size, LPCSTR fileName);
}

// The C runtime's local-time conversion that fills a caller's record and returns a status, with
// the Windows argument order.
inline int localtime_s(struct tm* record, const time_t* time) {
  return localtime_r(time, record) != nullptr ? 0 : EINVAL;
}
