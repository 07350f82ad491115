#include "host_emulator/colour_tokens.h"

#include <utility>

namespace tarquel::emu {

std::vector<ColouredRun> ColourRuns(const std::string& text) {
  std::vector<ColouredRun> runs;
  std::string colour = "white";
  std::string current;
  auto flush = [&] {
    if (!current.empty()) runs.push_back({colour, std::move(current)});
    current.clear();
  };
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '~' && i + 2 < text.size() && text[i + 2] == '~') {
      const char* named = nullptr;
      switch (text[i + 1]) {
        case 'g': named = "green"; break;
        case 'y': named = "yellow"; break;
        case 'r': named = "red"; break;
        default: break;
      }
      if (named != nullptr) {
        flush();
        colour = named;
        i += 3;
        continue;
      }
    }
    current += text[i++];
  }
  flush();
  return runs;
}

}  // namespace tarquel::emu
