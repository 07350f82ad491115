// Settings files kept under tests/fixtures/, each saying in its own comments what the plug-in
// must make of it, in one "; expect: ..." line.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host_emulator/platform_binding.h"

namespace tarquel::test {

struct FixtureFile {
  std::string name;
  std::string content;             // the bytes as stored
  std::vector<std::string> expect;  // the groups of the expectation line
};

// Every file of tests/fixtures/<folder>, by name, with the groups `expect` matched in it. A file
// whose comments do not say what it should produce fails the test. Where Wine is known to read a
// file otherwise than Windows, the file says so in a line "; expect under Wine: ..." (with the
// reason in its comments), which then counts instead when the tests run under Wine.
inline std::vector<FixtureFile> ReadFixtures(const std::string& folder, const std::regex& expect) {
  std::vector<FixtureFile> fixtures;
  const std::filesystem::path path = std::filesystem::path(TARQUEL_SOURCE_DIR) / "tests/fixtures" / folder;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    std::ifstream file(entry.path(), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    FixtureFile fixture{.name = entry.path().filename().string(), .content = content.str(), .expect = {}};
    std::smatch match;
    const std::string underWine = "; expect under Wine: ";
    const size_t wineLine = fixture.content.find(underWine);
    std::string searched = fixture.content;
    if (emu::HostIsWine() && wineLine != std::string::npos)
      searched = "; expect: " + fixture.content.substr(wineLine + underWine.size());
    if (!std::regex_search(searched, match, expect)) {
      ADD_FAILURE() << fixture.name << " says nothing of what it should produce";
      continue;
    }
    for (size_t i = 1; i < match.size(); ++i) fixture.expect.push_back(match[i]);
    fixtures.push_back(std::move(fixture));
  }
  std::sort(fixtures.begin(), fixtures.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  if (fixtures.empty()) ADD_FAILURE() << "no fixtures in " << path;
  return fixtures;
}

}  // namespace tarquel::test
