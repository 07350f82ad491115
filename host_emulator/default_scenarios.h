// The short default scenario of each plug-in, as tools/build plays it and as the golden
// transcripts record it. Each starts from a freshly loaded plug-in with no settings file, runs the
// frame the script starts in, and plays on from there.
#pragma once

#include <functional>
#include <string>

#include "host_emulator/host.h"

namespace tarquel::emu {

// Told what the player does, just before it happens.
using PlayerAction = std::function<void(const std::string& what)>;

// The game clock at 07:05; Page Up released at 3 s and again at 5 s; 6 s in all.
void PlayClockDefault(Host& host, const PlayerAction& told = {});

// The player gets into a moving vehicle that stops, then moves off; a trailer is hitched and
// stops; F12 switches the feature off, and 3 s later on again; 13 s in all.
void PlayHaltGlimmerDefault(Host& host, const PlayerAction& told = {});

}  // namespace tarquel::emu
