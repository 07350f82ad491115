#include <windows.h>

#include <cstdlib>

#include "settings_checker/terminal.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace tarquel::check {

bool StdoutTakesColour() {
  if (std::getenv("NO_COLOR") != nullptr) return false;
  const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  // Fails for a file or a pipe, which is what tells them from a console.
  if (console == INVALID_HANDLE_VALUE || GetConsoleMode(console, &mode) == 0) return false;
  return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool ConsoleClosesAtExit() {
  // Only when both ends are the console itself: a redirected run is a script's.
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) == 0) return false;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) == 0) return false;
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

}  // namespace tarquel::check
