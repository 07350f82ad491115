// The font of the pictures, compiled into the program so that it draws the same everywhere,
// Windows included, where no DejaVu font is installed.
#pragma once

#include <cstddef>

namespace tarquel::check {

// The bytes of DejaVu Sans Bold (a TrueType file), valid for the program's whole run.
const unsigned char* EmbeddedFontData();
size_t EmbeddedFontSize();

}  // namespace tarquel::check
