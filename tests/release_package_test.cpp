// The files players download beside the plug-ins, checked as shipped: their bytes, and that each
// sample settings file holds exactly its plug-in's defaults, so that installing it changes
// nothing the host can see.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host_emulator/default_scenarios.h"
#include "host_emulator/profile_reader.h"
#include "tests/support/files.h"
#include "tests/support/plugin_test.h"
#include "tests/support/transcript.h"

namespace tarquel::test {
namespace {

using ::testing::IsEmpty;

const std::filesystem::path kPackaging = std::filesystem::path(TARQUEL_SOURCE_DIR) / "packaging";

struct SamplePlugin {
  const char* pluginPath;
  const char* settingsFile;  // under asi/, in the game's folder as in the package
  void (*play)(emu::Host&, const emu::PlayerAction&);
};

const SamplePlugin kPlugins[] = {
    {TARQUEL_CLOCK_PLUGIN, "Tarquel Clock.ini", emu::PlayClockDefault},
    {TARQUEL_HALTGLIMMER_PLUGIN, "Tarquel HaltGlimmer.ini", emu::PlayHaltGlimmerDefault},
};

std::string SampleOf(const SamplePlugin& plugin) { return ReadFileBytes(kPackaging / "asi" / plugin.settingsFile); }

bool IsProfileRead(const HostEvent& event) {
  return event.kind == EventKind::ProfileInt || event.kind == EventKind::ProfileString;
}

// Everything the host saw of one play of the plug-in's default scenario.
struct Play {
  std::string transcript;  // string reads' results masked: they are compared by value apart
  std::vector<HostEvent> reads;
  std::vector<FrameRecord> frames;
  std::vector<std::string> violations;
};

Play PlayDefaultScenario(const SamplePlugin& plugin, const std::optional<std::string>& settings) {
  Scenario scenario(plugin.pluginPath);
  if (settings) scenario.Folder().WriteSettings(plugin.settingsFile, *settings);
  scenario.Load();
  Host& host = scenario.host();
  const uint32_t base = host.Tick();
  plugin.play(host, {});
  scenario.Unload();
  Play play;
  play.transcript = RenderTranscript(host, base,
                                     {{std::regex(R"(Real Clock: ~y~\d\d:\d\d)"), "Real Clock: ~y~HH:MM"},
                                      {std::regex(R"(Real Clock: \[yellow\]\d\d:\d\d)"), "Real Clock: [yellow]HH:MM"},
                                      {std::regex(R"((GetPrivateProfileStringA\(.*\) -> ).*)"), "$1(text)"}});
  for (const HostEvent& event : host.Events())
    if (IsProfileRead(event)) play.reads.push_back(event);
  play.frames = host.Frames();
  play.violations = host.Violations();
  return play;
}

// The settings the plug-in asks for, with their sections and defaults, when it has no file: all
// of them are read by the loop's first pass.
std::vector<HostEvent> ReadsWithoutFile(const SamplePlugin& plugin) {
  Scenario scenario(plugin.pluginPath);
  scenario.Load();
  scenario.host().RunFrame(0);
  scenario.host().RunFrameWhenWaitEnds();
  scenario.Unload();
  std::vector<HostEvent> reads;
  for (const HostEvent& event : scenario.host().Events())
    if (IsProfileRead(event)) reads.push_back(event);
  EXPECT_FALSE(reads.empty()) << plugin.pluginPath << " read no settings";
  return reads;
}

// A position text as the plug-in turns it into a number, as single-precision bits.
uint32_t PositionBits(const std::string& text) {
  return std::bit_cast<uint32_t>(static_cast<float>(std::strtod(text.c_str(), nullptr)));
}

// The lines of a settings file that are not blank and not comments, with their numbers.
std::vector<std::pair<size_t, std::string>> SettingLines(const std::string& content) {
  std::vector<std::pair<size_t, std::string>> lines;
  std::string line;
  size_t number = 1;
  auto finish = [&] {
    if (!line.empty() && line.front() != ';') lines.emplace_back(number, line);
    line.clear();
    ++number;
  };
  for (size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\r' || content[i] == '\n') {
      if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
      finish();
    } else {
      line += content[i];
    }
  }
  if (!line.empty()) finish();
  return lines;
}

TEST(ShippedTextFiles, AreAsciiWithCrLfLineEndingsAndNoByteOrderMark) {
  for (const char* name : {"README.txt", "asi/Tarquel Clock.ini", "asi/Tarquel HaltGlimmer.ini"}) {
    SCOPED_TRACE(name);
    const std::string bytes = ReadFileBytes(kPackaging / name);
    ASSERT_FALSE(bytes.empty()) << kPackaging / name << " is missing or empty";
    EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF")) << "starts with a UTF-8 byte-order mark";
    std::vector<std::string> faults;
    size_t line = 1;
    auto fault = [&](const std::string& what) {
      if (faults.size() < 10) faults.push_back("line " + std::to_string(line) + ": " + what);
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
        ++i;
        ++line;
      } else if (c == '\r' || c == '\n') {
        fault(c == '\r' ? "CR without LF" : "LF without CR");
        ++line;
      } else if (c < 0x20 || c > 0x7E) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", c);
        fault(std::string("byte ") + hex + " is not printable ASCII");
      }
    }
    if (!bytes.ends_with("\r\n")) fault("the last line does not end in CR LF");
    EXPECT_THAT(faults, IsEmpty()) << "(at most ten shown)";
  }
}

// Installing the sample must be the same as installing nothing. Every setting the plug-in reads
// has to be found in the file (else the two plays would agree for want of a file), hold the
// plug-in's default, and give the same play: the same calls, the same positions to the bit,
// the same keys working.
TEST(SampleSettingsFiles, HoldEverySettingThePluginReadsAtItsDefault) {
  for (const SamplePlugin& plugin : kPlugins) {
    SCOPED_TRACE(plugin.settingsFile);
    const std::filesystem::path sample = kPackaging / "asi" / plugin.settingsFile;
    for (const HostEvent& read : ReadsWithoutFile(plugin)) {
      SCOPED_TRACE(read.section + "/" + read.key);
      if (read.kind == EventKind::ProfileInt) {
        // A default of its own shows whether the key is there: the reader returns it only when not.
        const int32_t absent = read.defaultInt + 1;
        const uint32_t value = emu::ProfileGetInt(sample.string(), read.section.c_str(), read.key.c_str(), absent);
        EXPECT_NE(value, static_cast<uint32_t>(absent)) << "not in the file (or not its default)";
        EXPECT_EQ(value, static_cast<uint32_t>(read.defaultInt));
      } else {
        char value[64];
        emu::ProfileGetString(sample.string(), read.section.c_str(), read.key.c_str(), "(absent)", value,
                              sizeof value);
        EXPECT_STRNE(value, "(absent)") << "not in the file";
        EXPECT_EQ(PositionBits(value), PositionBits(read.defaultText))
            << "the file says " << value << ", the default is " << read.defaultText;
      }
    }
  }
}

TEST(SampleSettingsFiles, PlayExactlyAsNoSettingsFile) {
  for (const SamplePlugin& plugin : kPlugins) {
    SCOPED_TRACE(plugin.settingsFile);
    const std::string sample = SampleOf(plugin);
    ASSERT_FALSE(sample.empty());
    const Play without = PlayDefaultScenario(plugin, std::nullopt);
    const Play with = PlayDefaultScenario(plugin, sample);
    EXPECT_THAT(without.violations, IsEmpty());
    EXPECT_THAT(with.violations, IsEmpty());

    EXPECT_EQ(with.transcript, without.transcript);

    // The string reads the transcript leaves out: "89" from the file against the default text
    // "89.000000" is expected, any other number is not.
    ASSERT_EQ(with.reads.size(), without.reads.size());
    for (size_t i = 0; i < with.reads.size(); ++i) {
      if (with.reads[i].kind != EventKind::ProfileString) continue;
      EXPECT_EQ(PositionBits(with.reads[i].resultText), PositionBits(without.reads[i].resultText))
          << with.reads[i].key << ": " << with.reads[i].resultText << " from the file, "
          << without.reads[i].resultText << " without it";
    }

    // The transcript prints each float as text; the drawn texts' own bits settle it.
    ASSERT_EQ(with.frames.size(), without.frames.size());
    for (size_t f = 0; f < with.frames.size(); ++f) {
      const std::vector<emu::DrawnText>& a = with.frames[f].texts;
      const std::vector<emu::DrawnText>& b = without.frames[f].texts;
      ASSERT_EQ(a.size(), b.size()) << "frame " << with.frames[f].index;
      for (size_t t = 0; t < a.size(); ++t) {
        EXPECT_EQ(std::bit_cast<uint32_t>(a[t].x), std::bit_cast<uint32_t>(b[t].x)) << "frame " << with.frames[f].index;
        EXPECT_EQ(std::bit_cast<uint32_t>(a[t].y), std::bit_cast<uint32_t>(b[t].y)) << "frame " << with.frames[f].index;
      }
    }
  }
}

// Only the section header and the plug-in's own keys, each once, as plain "Key=number": a
// misspelt key would be ignored by the plug-in, a second copy read or not depending on the
// reader, and a space, quote, hex or inline comment read differently from what it shows.
TEST(SampleSettingsFiles, HoldOnlyTheSectionAndThePluginsKeysEachOnce) {
  const std::regex keyLine(R"(([A-Za-z]+)=(-?[0-9]+(\.[0-9]+)?))");
  for (const SamplePlugin& plugin : kPlugins) {
    SCOPED_TRACE(plugin.settingsFile);
    std::map<std::string, int> seen;
    std::string section;
    for (const HostEvent& read : ReadsWithoutFile(plugin)) {
      seen[read.key] = 0;
      if (section.empty()) section = read.section;
      EXPECT_EQ(read.section, section) << read.key << " is read from another section";
    }
    const auto lines = SettingLines(SampleOf(plugin));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().second, "[" + section + "]") << "the first line that is no comment, line "
                                                        << lines.front().first;
    for (size_t i = 1; i < lines.size(); ++i) {
      const auto& [number, text] = lines[i];
      std::smatch match;
      if (!std::regex_match(text, match, keyLine)) {
        ADD_FAILURE() << "line " << number << " is neither a comment nor Key=number: " << text;
      } else if (!seen.contains(match[1])) {
        ADD_FAILURE() << "line " << number << ": the plug-in reads no key " << match[1];
      } else {
        ++seen[match[1]];
      }
    }
    for (const auto& [key, count] : seen) EXPECT_EQ(count, 1) << key << " should appear once";
  }
}

// The README tells players which files to copy and what every setting is: it has to name them
// as the plug-ins do, and show the shipped defaults as they are.
TEST(PlayersReadme, NamesEveryFileAndSettingWithItsDefault) {
  const std::string readme = ReadFileBytes(kPackaging / "README.txt");
  ASSERT_FALSE(readme.empty());
  auto mentions = [&](const std::string& pattern) {
    return std::regex_search(readme, std::regex("(^|[^A-Za-z0-9_.])" + pattern + "(?![A-Za-z0-9_.])"));
  };
  EXPECT_TRUE(readme.find("ScriptHookV.dll") != std::string::npos) << "the script host's file";
  for (const char* code : {"33", "123"}) EXPECT_TRUE(mentions(code)) << "the default key code " << code;
  for (const SamplePlugin& plugin : kPlugins) {
    SCOPED_TRACE(plugin.settingsFile);
    const std::string asi = std::filesystem::path(plugin.pluginPath).stem().string() + ".asi";
    EXPECT_NE(readme.find(asi), std::string::npos) << asi;
    for (const HostEvent& read : ReadsWithoutFile(plugin)) {
      EXPECT_NE(readme.find(std::filesystem::path(read.fileName).filename().string()), std::string::npos)
          << read.fileName;
      EXPECT_TRUE(mentions(read.key)) << read.key;
    }
    for (const auto& [number, line] : SettingLines(SampleOf(plugin))) {
      if (line.starts_with("[")) continue;
      EXPECT_TRUE(mentions(std::regex_replace(line, std::regex(R"(\.)"), R"(\.)")))
          << "the shipped line " << line << " is not shown as it is";
    }
  }
}

}  // namespace
}  // namespace tarquel::test
