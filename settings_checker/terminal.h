// What the checker asks of the terminal.
#pragma once

namespace tarquel::check {

// Whether standard output is a terminal that shows ANSI colours; on Windows this also switches
// the console to reading them. NO_COLOR in the environment, or TERM=dumb, means no.
bool StdoutTakesColour();

// Whether the program has a console window of its own, which closes as soon as it ends: it was
// started from the file manager, not from a command prompt, and should wait before it ends.
bool ConsoleClosesAtExit();

}  // namespace tarquel::check
