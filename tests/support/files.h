// Small things the tests do with files and commands.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tarquel::test {

// The whole file, byte for byte; "" when it cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// `text` as one word for the POSIX shell, whatever it holds.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace tarquel::test
