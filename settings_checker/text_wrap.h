// Text for a console, which is often 80 columns wide.
#pragma once

#include <algorithm>
#include <ostream>
#include <string>

namespace tarquel::check {

// Words of `text` in lines of at most `width` columns (a longer word stands alone), the first
// after `first`, the rest after `rest`: a console window is often 80 columns wide.
inline void WriteWrapped(std::ostream& out, const std::string& text, const std::string& first, const std::string& rest,
                  size_t width = 79) {
  std::string line = first;
  bool empty = true;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find(' ', at), text.size());
    const std::string word = text.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    if (!empty && line.size() + 1 + word.size() > width) {
      out << line << "\n";
      line = rest;
      empty = true;
    }
    line += (empty ? "" : " ") + word;
    empty = false;
  }
  out << line << "\n";
}

}  // namespace tarquel::check
