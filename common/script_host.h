// The script host's eight functions, as the plug-ins call them.
//
// The host runs each plug-in's script entry on its own script context and lets it call the
// game's functions (natives) by hash. Native calls and scriptWait are made only from within the
// script entry, never from DllMain or the keyboard callback. A native call is always the whole
// sequence nativeInit, one nativePush64 per argument, nativeCall; calls never interleave.
#pragma once

#include "common/platform.h"

// The plug-in's script entry: takes nothing, returns nothing, and never returns once started.
using ScriptEntryFunction = void (*)();

// Called for every keyboard message, possibly on another thread than the script:
// virtual-key code, repeat count, scan code, then the flags extended key, Alt held,
// key was down before this message, key is up now (the message is a release).
using KeyboardHandlerFunction = void (*)(DWORD key, WORD repeats, BYTE scanCode, BOOL extended,
                                         BOOL altHeld, BOOL previouslyDown, BOOL released);

// Binds the script entry to the module that DllMain received; once, at process attach.
SCRIPT_HOST_API void scriptRegister(HMODULE module, ScriptEntryFunction entry);
// Unbinds the same entry; once, at process detach.
SCRIPT_HOST_API void scriptUnregister(ScriptEntryFunction entry);
// Starts delivering keyboard messages to the callback; once, at process attach.
SCRIPT_HOST_API void keyboardHandlerRegister(KeyboardHandlerFunction handler);
// Stops delivering them; once, at process detach.
SCRIPT_HOST_API void keyboardHandlerUnregister(KeyboardHandlerFunction handler);
// Suspends the calling script for `ms` milliseconds; 0 resumes it at the next frame.
SCRIPT_HOST_API void scriptWait(DWORD ms);
// Starts a call of the native with this hash.
SCRIPT_HOST_API void nativeInit(UINT64 hash);
// Appends one argument slot, in call order.
SCRIPT_HOST_API void nativePush64(UINT64 slot);
// Runs the call; returns the address of the 64-bit result slot.
SCRIPT_HOST_API PUINT64 nativeCall();
