// The one thing the checker asks of the terminal.
#pragma once

namespace tarquel::check {

// Whether standard output is a terminal that shows ANSI colours; on Windows this also switches
// the console to reading them. NO_COLOR in the environment, or TERM=dumb, means no.
bool StdoutTakesColour();

}  // namespace tarquel::check
