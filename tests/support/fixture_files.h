// Settings files kept under tests/fixtures/, each saying in its own comments what the plug-in
// must make of it, in one "; expect: ..." line.
//
// A file may also hold directives, comment lines that the test acts on when it writes the file:
//   "; repeat: <before>{<unit>*<N>}<after>"  the line is written as <before>, N copies of <unit>,
//                                            <after> (so that a 1 MiB line need not be stored);
//   "; make: directory"                      a directory of the file's name is made instead;
//   "; make: locked"                         the file is written and then held open without
//                                            sharing while the plug-in reads it.
// A file that starts with a UTF-16 byte-order mark (little or big endian) is searched for its
// expectation and directives as text, so its comment lines are UTF-16 like the rest of it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host_emulator/platform_binding.h"
#include "tests/support/files.h"

namespace tarquel::test {

// Whether the settings reader is the system's own (the Windows build, on Windows or under Wine)
// rather than the emulator's. The emulator knows no file locks, so a fixture may say in a line
// "; expect in the emulator: ..." what the Linux build must make of it instead.
#ifdef _WIN32
inline constexpr bool kSystemReadsSettings = true;
#else
inline constexpr bool kSystemReadsSettings = false;
#endif

// `bytes` as 8-bit text: a file behind a UTF-16 byte-order mark is decoded, with every code unit
// outside ASCII shown as '?'; any other file is returned as it is.
inline std::string FixtureText(const std::string& bytes) {
  if (bytes.size() < 2) return bytes;
  const auto b0 = static_cast<unsigned char>(bytes[0]);
  const auto b1 = static_cast<unsigned char>(bytes[1]);
  const bool little = b0 == 0xFF && b1 == 0xFE;
  if (!little && !(b0 == 0xFE && b1 == 0xFF)) return bytes;
  std::string text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto lo = static_cast<unsigned char>(bytes[little ? i : i + 1]);
    const auto hi = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
    const unsigned unit = (static_cast<unsigned>(hi) << 8) | lo;
    text.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  }
  return text;
}

// The value of the directive "; <name>: <value>" in `bytes`, if the file has one.
inline std::optional<std::string> FixtureDirective(const std::string& bytes, const std::string& name) {
  const std::string text = FixtureText(bytes);
  const std::string marker = "; " + name + ": ";
  const size_t at = text.find(marker);
  if (at == std::string::npos) return std::nullopt;
  const size_t begin = at + marker.size();
  return text.substr(begin, text.find_first_of("\r\n", begin) - begin);
}

// The bytes to write for a fixture: every "; repeat: " line expanded. A repeat line that does not
// have the form above is left as it is (and the fixture's expectation will then not hold).
inline std::string ExpandFixture(const std::string& bytes) {
  static const std::regex repeat(R"(; repeat: ([^{\r\n]*)\{([^\r\n]*)\*(\d+)\}([^\r\n]*))");
  std::string out;
  auto rest = bytes.cbegin();
  std::smatch match;
  while (std::regex_search(rest, bytes.cend(), match, repeat)) {
    out.append(rest, match[0].first);
    out += match[1].str();
    const std::string unit = match[2].str();
    for (unsigned long n = std::stoul(match[3].str()); n > 0; --n) out += unit;
    out += match[4].str();
    rest = match[0].second;
  }
  out.append(rest, bytes.cend());
  return out;
}

struct FixtureFile {
  std::string name;
  std::string content;             // the bytes as stored
  std::vector<std::string> expect;  // the groups of the expectation line
};

// The files of tests/fixtures/<folder>, in name order, with their bytes as stored.
inline std::vector<std::pair<std::filesystem::path, std::string>> FixtureFilesIn(const std::string& folder) {
  const std::filesystem::path path = std::filesystem::path(TARQUEL_SOURCE_DIR) / "tests/fixtures" / folder;
  std::vector<std::pair<std::filesystem::path, std::string>> files;
  for (const auto& entry : std::filesystem::directory_iterator(path))
    files.emplace_back(entry.path(), ReadFileBytes(entry.path()));
  std::sort(files.begin(), files.end());
  if (files.empty()) ADD_FAILURE() << "no fixtures in " << path;
  return files;
}

// Every file of tests/fixtures/<folder>, by name, with the groups `expect` matched in it. A file
// whose comments do not say what it should produce fails the test. Where Wine is known to read a
// file otherwise than Windows, the file says so in a line "; expect under Wine: ..." (with the
// reason in its comments), which then counts instead when the tests run under Wine.
inline std::vector<FixtureFile> ReadFixtures(const std::string& folder, const std::regex& expect) {
  std::vector<FixtureFile> fixtures;
  for (const auto& [path, bytes] : FixtureFilesIn(folder)) {
    FixtureFile fixture{.name = path.filename().string(), .content = bytes, .expect = {}};
    std::smatch match;
    const std::string text = FixtureText(fixture.content);
    std::string searched = text;
    const std::string underWine = "; expect under Wine: ";
    const size_t wineLine = text.find(underWine);
    if (emu::HostIsWine() && wineLine != std::string::npos)
      searched = "; expect: " + text.substr(wineLine + underWine.size());
    const std::string inEmulator = "; expect in the emulator: ";
    const size_t emulatorLine = text.find(inEmulator);
    if (!kSystemReadsSettings && emulatorLine != std::string::npos)
      searched = "; expect: " + text.substr(emulatorLine + inEmulator.size());
    if (!std::regex_search(searched, match, expect)) {
      ADD_FAILURE() << fixture.name << " says nothing of what it should produce";
      continue;
    }
    for (size_t i = 1; i < match.size(); ++i) fixture.expect.push_back(match[i]);
    fixtures.push_back(std::move(fixture));
  }
  return fixtures;
}

}  // namespace tarquel::test
