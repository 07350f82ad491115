#include "settings_checker/embedded_font.h"

// The assembler pulls the file in whole; TARQUEL_FONT_FILE is its path, set by the build.
#define TARQUEL_STRINGIFY_(x) #x
#define TARQUEL_STRINGIFY(x) TARQUEL_STRINGIFY_(x)

__asm__(
    ".section .rodata\n"
    ".balign 16\n"
    ".globl tarquel_font_begin\n"
    "tarquel_font_begin:\n"
    ".incbin \"" TARQUEL_STRINGIFY(TARQUEL_FONT_FILE) "\"\n"
    ".globl tarquel_font_end\n"
    "tarquel_font_end:\n"
    ".byte 0\n"
    ".text\n");

extern "C" const unsigned char tarquel_font_begin[];
extern "C" const unsigned char tarquel_font_end[];

namespace tarquel::check {

const unsigned char* EmbeddedFontData() { return tarquel_font_begin; }
size_t EmbeddedFontSize() { return static_cast<size_t>(tarquel_font_end - tarquel_font_begin); }

}  // namespace tarquel::check
