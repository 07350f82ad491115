// Pictures of the game screen as the draw natives would fill it: where each line of text lands on
// a 16:9 screen and in which colours, as a PNG or as a preview in the terminal.
//
// The game's own font is not ours to ship, so the pictures use DejaVu Sans Bold, compiled into
// the program, at the size the scale asks for: at scale 1.0 a line is one eighteenth of the
// screen's height (the font's em). Placement follows the draw natives' arguments: x and y are
// fractions of the screen's width and height; (x, y) is the top-left corner of the line, or,
// for a centred line, the middle of its top edge. Text is drawn with a one-pixel black edge, as
// the edge native's arguments (1, 0, 0, 0, 255) ask. Nothing is clamped to the screen: a line
// that lies partly or wholly off it is cut or missing, as in the game.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tarquel::check {

// One DrawTextLine call.
struct ScreenLine {
  std::string text;  // with the host's colour tokens ~g~, ~y~, ~r~
  float scale = 0;
  int32_t centred = 0;
  float x = 0, y = 0;
};

// One frame: a caption for the reader ("Game Clock mode") and what is drawn in it.
struct ScreenFrame {
  std::string caption;
  std::vector<ScreenLine> lines;
};

// Where a line's text lies on the screen, in fractions of the screen's width and height; the
// box of the em (top of the line to top plus one em) by the advance widths of its characters,
// kerned as the picture draws them.
struct ScreenBox {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// The box of one line; nothing when x, y or scale is not a finite number, or scale <= 0: the
// game's placement of such a line is undefined, and the pictures leave it out.
std::optional<ScreenBox> LineBox(const ScreenLine& line);

// The frames as text, one screen after the other, each 64 columns by 18 rows inside a border,
// its caption above it and, below it, one legend line per drawn line saying what it reads,
// where it lands in percent of the screen, and when it does not show (off the screen, or not a
// finite place). A line is shown by the cells its box covers, at least one; a line with no text
// left once its tokens are taken out shows nothing. With `colour`, the cells are painted in the
// text's colours with ANSI escapes; without, they are '#' marks. The output is ASCII whatever the
// texts hold, for any console: other characters, and control characters, read as '?'.
void WritePreview(std::ostream& out, const std::vector<ScreenFrame>& frames, bool colour);

// The frames as one PNG: each a 1280x720 screen under a 24-pixel caption strip, in a grid two
// screens wide, at most 64 of them. `path` is opened as the C library opens a narrow name (on
// Windows in the system's code page, as main() receives its arguments). Returns "" on success,
// else what went wrong: no frames, too many, or the file cannot be written.
std::string WritePng(const std::string& path, const std::vector<ScreenFrame>& frames);

// Where frame `index`'s screen lies in the PNG, in pixels: for tests and for callers that point
// at a part of the picture.
struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
};
PixelRect ScreenRectInPng(size_t index);

}  // namespace tarquel::check
