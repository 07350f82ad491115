#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "settings_checker/terminal.h"

namespace tarquel::check {

bool StdoutTakesColour() {
  if (std::getenv("NO_COLOR") != nullptr) return false;
  const char* term = std::getenv("TERM");
  if (term == nullptr || std::strcmp(term, "dumb") == 0) return false;
  return isatty(STDOUT_FILENO) == 1;
}

// A terminal here outlives the programs run in it.
bool ConsoleClosesAtExit() { return false; }

}  // namespace tarquel::check
