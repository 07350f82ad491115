// The game's inline colour tokens in a text, as the screen shows them.
#pragma once

#include <string>
#include <vector>

namespace tarquel::emu {

// A run of text in one colour, after the host's inline tokens ~g~, ~y~, ~r~ have been applied.
struct ColouredRun {
  std::string colour;  // "white" (before any token), "green", "yellow", "red"
  std::string text;
};

// Splits a text into coloured runs the way the game shows it; unknown tokens stay as text.
std::vector<ColouredRun> ColourRuns(const std::string& text);

}  // namespace tarquel::emu
