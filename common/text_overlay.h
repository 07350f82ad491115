// One line of text on the game screen for the current frame.
#pragma once

#include <stdint.h>

// Issues the six text natives in their fixed order: scale (scale, scale), centring (centred),
// edge (1, 0, 0, 0, 255), begin command ("STRING"), add `text`, draw at (x, y). The text shows
// for this frame only, so a caller that wants it seen draws it in every pass. `text` may hold
// the host's colour tokens ~g~, ~y~, ~r~ and must stay valid until the call returns.
void DrawTextLine(const char* text, float scale, int32_t centred, float x, float y);
