// The one place that decides where the plug-ins' outside world comes from.
//
// Plug-in sources call the Win32 functions they need (GetTickCount, GetPrivateProfileIntA,
// GetPrivateProfileStringA, localtime_s) and the script host's functions by their own names.
// On Windows those names come from the system and from the host's import library; everywhere
// else the host emulator provides them. Nothing else in a plug-in source depends on the platform.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)

#include <windows.h>
#include <stdio.h>

// The side that defines the host's functions (our stand-in for the host) says so itself.
#if !defined(SCRIPT_HOST_API) && defined(__MINGW32__)
// GCC cannot emit the Microsoft-decorated names under which the host exports its functions, so
// the MinGW import library maps these plain C names onto the decorated ones.
#define SCRIPT_HOST_API extern "C" __declspec(dllimport)
#elif !defined(SCRIPT_HOST_API)
#define SCRIPT_HOST_API __declspec(dllimport)
#endif

// The system C runtime's bounded print. MinGW's own snprintf would add about 25 KiB of code.
inline void FormatBoundedV(char* dest, size_t size, const char* format, va_list args) {
  if (size > 0) _vsnprintf_s(dest, size, _TRUNCATE, format, args);
}

#else

#include "win32_stand_in.h"

#define SCRIPT_HOST_API

inline void FormatBoundedV(char* dest, size_t size, const char* format, va_list args) {
  if (size > 0) vsnprintf(dest, size, format, args);
}

#endif

// Bounded formatted print: never writes past `size` bytes and always ends the text with a NUL.
// Integer and string conversions only: the C runtime's locale must not shape what we print.
__attribute__((format(printf, 3, 4))) inline void FormatBounded(char* dest, size_t size,
                                                                 const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatBoundedV(dest, size, format, args);
  va_end(args);
}
