// A plug-in loaded fresh into the emulated host for each test, with the host's record checked
// for violations at the end.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "host_emulator/scenario.h"

namespace tarquel::test {

using emu::EventKind;
using emu::FrameRecord;
using emu::Host;
using emu::HostEvent;
using emu::KeyPress;
using emu::KeyRelease;
using emu::Scenario;

class PluginTest : public ::testing::Test {
 protected:
  explicit PluginTest(std::string pluginPath, std::string settingsFile)
      : scenario_(std::move(pluginPath)), settingsFile_(std::move(settingsFile)) {}

  void TearDown() override {
    scenario_.Unload();
    for (const std::string& violation : host().Violations()) ADD_FAILURE() << "host saw: " << violation;
  }

  Host& host() { return scenario_.host(); }
  Scenario& scenario() { return scenario_; }

  // Writes the plug-in's settings file (nullopt: no file) and loads the plug-in.
  void Load(std::optional<std::string> settings = std::nullopt,
            uint32_t startTick = Scenario::kDefaultStartTick) {
    if (settings) scenario_.Folder().WriteSettings(settingsFile_, *settings);
    scenario_.Load(startTick);
  }
  void WriteSettings(const std::string& settings) { scenario_.Folder().WriteSettings(settingsFile_, settings); }

  // Runs the frame the script starts in, then the frame its 2000 ms start wait ends in: the
  // loop's first pass.
  const FrameRecord& RunToFirstPass() {
    host().RunFrame(0);
    return host().RunFrameWhenWaitEnds();
  }

  // The events recorded while `frame` ran.
  std::vector<HostEvent> EventsIn(const FrameRecord& frame) const {
    const std::vector<HostEvent> all = scenario_.host().Events();
    return {all.begin() + static_cast<std::ptrdiff_t>(frame.firstEvent),
            all.begin() + static_cast<std::ptrdiff_t>(frame.firstEvent + frame.eventCount)};
  }

  // What the frame drew, one description per text.
  static std::vector<std::string> Screen(const FrameRecord& frame) {
    std::vector<std::string> texts;
    for (const emu::DrawnText& text : frame.texts) texts.push_back(text.text);
    return texts;
  }

 private:
  mutable Scenario scenario_;
  std::string settingsFile_;
};

// The three line endings Windows reads alike; fixtures are written with each.
inline const std::vector<std::pair<std::string, std::string>>& LineEndings() {
  static const std::vector<std::pair<std::string, std::string>> endings = {
      {"CRLF", "\r\n"}, {"LF", "\n"}, {"CR", "\r"}};
  return endings;
}

// `text` with each "\n" replaced by `ending`.
inline std::string WithLineEnding(const std::string& text, const std::string& ending) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += ending;
    else out += c;
  }
  return out;
}

}  // namespace tarquel::test
