// The DLL entry shared by both plug-ins: binds the script entry and the keyboard callback to the
// script host at load, unbinds them at unload.
#pragma once

#include "common/platform.h"

// Reason 1 (process attach): registers ScriptEntry, then KeyboardCallback. Reason 0 (process
// detach): unregisters them in the same order. Other reasons: nothing. Returns 1 always, so the
// plug-in never refuses to load.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

// What the host runs on its script context: the plug-in's main loop, which never returns.
void ScriptEntry();

// Defined by each plug-in: its main loop. Waits 2000 ms, then makes one pass per frame; never returns.
void PluginMainLoop();
