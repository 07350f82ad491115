// The game screen as the text natives build it: style settings apply to the next text command,
// and a drawn command lasts for the frame it was drawn in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host_emulator/colour_tokens.h"

namespace tarquel::emu {

struct DrawnText {
  std::string text;  // as passed, tokens included
  float scaleX = 0, scaleY = 0;
  int32_t centred = 0;
  std::vector<int32_t> edge;  // the five edge arguments, empty when none were set
  float x = 0, y = 0;

  friend bool operator==(const DrawnText&, const DrawnText&) = default;
};

// "[green]Game Clock: [yellow]12:00 at (0.89, 0.01) scale 0.3 left" (or "centred").
std::string DescribeDrawnText(const DrawnText& text);

// Receives the text natives of one frame in order and collects what they draw.
class TextComposer {
 public:
  // Each returns an error text when the sequence is not one the game would draw, else "".
  std::string SetScale(float x, float y);
  std::string SetCentre(int32_t centred);
  std::string SetEdge(std::vector<int32_t> edge);
  std::string Begin(const std::string& kind);
  std::string AddString(const std::string& text);
  std::string Draw(float x, float y);

  // Ends the frame: returns what was drawn in it and forgets the style, as the game does.
  std::vector<DrawnText> TakeFrame();

 private:
  DrawnText pending_;
  bool styled_ = false;
  bool begun_ = false;
  std::vector<DrawnText> drawn_;
};

}  // namespace tarquel::emu
