// Arbitrary bytes as a settings file, twice over:
//
// - straight into the emulator's settings reader, for the plug-ins' keys, for the names the file
//   itself lists and for the listings, with buffers of the sizes where an off-by-one would show
//   (1, 2, 3 and the lengths around each result's own), holding every answer to what a caller
//   of the Windows functions relies on;
// - as each plug-in's settings file, loaded into the emulated host, through the start wait and
//   a few passes of its loop and a press and release of the hot key it read, failing on anything
//   the host records as a violation (once per distinct set of answers the plug-ins would get).
//
// Any broken promise aborts, so that libFuzzer keeps the input; ASan and UBSan catch the rest.
#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "host_emulator/profile_reader.h"
#include "host_emulator/scenario.h"

#ifndef TARQUEL_CLOCK_PLUGIN
#error "TARQUEL_CLOCK_PLUGIN must name the clock plug-in's shared library"
#endif
#ifndef TARQUEL_HALTGLIMMER_PLUGIN
#error "TARQUEL_HALTGLIMMER_PLUGIN must name the brake plug-in's shared library"
#endif

namespace {

using tarquel::emu::EventKind;
using tarquel::emu::Host;
using tarquel::emu::HostEvent;
using tarquel::emu::KeyPress;
using tarquel::emu::KeyRelease;
using tarquel::emu::ProfileGetInt;
using tarquel::emu::ProfileGetString;
using tarquel::emu::Scenario;

[[noreturn]] void Fail(const char* what, int line, const std::string& detail) {
  std::fprintf(stderr, "settings_fuzzer: broken at line %d: %s%s%s\n", line, what,
               detail.empty() ? "" : "\n  ", detail.c_str());
  std::fflush(stderr);
  std::abort();
}

#define FUZZ_CHECK(condition, detail)                            \
  do {                                                           \
    if (!(condition)) Fail(#condition, __LINE__, (detail));      \
  } while (false)

// What the call was, for the report of a broken promise.
std::string Call(const char* section, const char* key, uint32_t size) {
  auto name = [](const char* s) { return s ? "\"" + std::string(s) + "\"" : std::string("null"); };
  return "section " + name(section) + ", key " + name(key) + ", size " + std::to_string(size);
}

// Bytes behind every buffer the reader writes into. ASan poisons them during the call, so that a
// stray access is reported where it happens; afterwards they must still hold the pattern.
constexpr size_t kGuardBytes = 32;
constexpr unsigned char kUnwritten = 0xA5;

struct Answer {
  uint32_t returned = 0;
  std::string bytes;  // the whole buffer as the call left it
};

Answer GetString(const std::string& path, const char* section, const char* key, const char* defaultValue,
                 uint32_t size) {
  std::vector<unsigned char> buffer(size + kGuardBytes, kUnwritten);
  ASAN_POISON_MEMORY_REGION(buffer.data() + size, kGuardBytes);
  const uint32_t returned =
      ProfileGetString(path, section, key, defaultValue, reinterpret_cast<char*>(buffer.data()), size);
  ASAN_UNPOISON_MEMORY_REGION(buffer.data() + size, kGuardBytes);
  FUZZ_CHECK(std::all_of(buffer.begin() + size, buffer.end(), [](unsigned char c) { return c == kUnwritten; }),
             "written past the buffer: " + Call(section, key, size));
  return {returned, std::string(reinterpret_cast<const char*>(buffer.data()), size)};
}

// A size no value or listing of this file can fill: a list is at most the file's bytes (UTF-16
// only shrinks), one NUL more and the final NUL.
uint32_t RoomyFor(size_t fileBytes) { return static_cast<uint32_t>(fileBytes + 64); }

// The sizes where a cut goes wrong if it is going to: around the text's own length, where the
// last terminator lands on the last byte or just past it; for a list, whose text ends in two
// NULs, one more, and the smallest (a value's size 1 is checked once per input, in CheckTiny).
std::vector<uint32_t> EdgeSizes(uint32_t length, bool list) {
  std::vector<uint32_t> sizes = {length, length + 1};
  if (list) sizes.insert(sizes.end(), {1, 2, 3, length + 2});
  std::sort(sizes.begin(), sizes.end());
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  sizes.erase(std::remove(sizes.begin(), sizes.end(), 0u), sizes.end());
  return sizes;
}

// size 0 and no buffer: nothing written, 0 returned.
void CheckNoBuffer(const std::string& path, const char* section, const char* key) {
  char untouched = static_cast<char>(kUnwritten);
  FUZZ_CHECK(ProfileGetString(path, section, key, "default", &untouched, 0) == 0, Call(section, key, 0));
  FUZZ_CHECK(untouched == static_cast<char>(kUnwritten), "size 0 wrote: " + Call(section, key, 0));
  FUZZ_CHECK(ProfileGetString(path, section, key, "default", nullptr, 64) == 0, Call(section, key, 64));
}

// A value (or a default standing in for it): a C string of `returned` characters, cut to size-1.
// Returns the full value.
std::string CheckValue(const std::string& path, const char* section, const char* key, const char* defaultValue,
                       size_t fileBytes) {
  const uint32_t roomy = RoomyFor(fileBytes + (defaultValue ? std::strlen(defaultValue) : 0));
  const Answer full = GetString(path, section, key, defaultValue, roomy);
  FUZZ_CHECK(full.returned < roomy, Call(section, key, roomy));
  FUZZ_CHECK(full.bytes[full.returned] == '\0', "not terminated: " + Call(section, key, roomy));
  FUZZ_CHECK(std::strlen(full.bytes.c_str()) == full.returned, "NUL inside the value: " + Call(section, key, roomy));
  const std::string value = full.bytes.substr(0, full.returned);

  for (const uint32_t size : EdgeSizes(full.returned, false)) {
    const Answer cut = GetString(path, section, key, defaultValue, size);
    const uint32_t expected = std::min<uint32_t>(full.returned, size - 1);
    FUZZ_CHECK(cut.returned == expected, Call(section, key, size) + ": returned " + std::to_string(cut.returned) +
                                             ", expected " + std::to_string(expected));
    FUZZ_CHECK(cut.bytes[cut.returned] == '\0', "not terminated: " + Call(section, key, size));
    FUZZ_CHECK(cut.bytes.compare(0, cut.returned, value, 0, cut.returned) == 0,
               "cut value is no prefix of the whole: " + Call(section, key, size));
  }
  return value;
}

// The names of a list in order, from a list as written into a roomy buffer.
std::vector<std::string> SplitList(const std::string& list, uint32_t returned) {
  std::vector<std::string> names;
  size_t at = 0;
  while (at < returned) {
    const size_t end = list.find('\0', at);
    names.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return names;
}

// A listing (section or key null): NUL-separated names and one more NUL. A list that does not
// fit, or whose final NUL would land on the last byte, is the first size-2 bytes of the whole
// list and two NULs, and returns size-2. Returns the names.
std::vector<std::string> CheckList(const std::string& path, const char* section, size_t fileBytes) {
  const uint32_t roomy = RoomyFor(fileBytes);
  const Answer full = GetString(path, section, nullptr, nullptr, roomy);
  FUZZ_CHECK(full.returned + 1 < roomy, Call(section, nullptr, roomy));
  FUZZ_CHECK(full.bytes[full.returned] == '\0', "list not terminated: " + Call(section, nullptr, roomy));
  FUZZ_CHECK(full.returned == 0 || full.bytes[full.returned - 1] == '\0',
             "last name not terminated: " + Call(section, nullptr, roomy));
  const std::string whole = full.bytes.substr(0, full.returned + 1);

  for (const uint32_t size : EdgeSizes(full.returned, true)) {
    const Answer cut = GetString(path, section, nullptr, nullptr, size);
    const std::string what = Call(section, nullptr, size) + " of a list of " + std::to_string(full.returned);
    if (size == 1) {
      FUZZ_CHECK(cut.returned == 0 && cut.bytes[0] == '\0', what);
    } else if (full.returned + 1 < size) {
      FUZZ_CHECK(cut.returned == full.returned, what + ": returned " + std::to_string(cut.returned));
      FUZZ_CHECK(cut.bytes.compare(0, whole.size(), whole) == 0, "a list that fits differs: " + what);
    } else {
      FUZZ_CHECK(cut.returned == size - 2, what + ": returned " + std::to_string(cut.returned));
      FUZZ_CHECK(cut.bytes[size - 2] == '\0' && cut.bytes[size - 1] == '\0', "cut list without two NULs: " + what);
      FUZZ_CHECK(cut.bytes.compare(0, size - 2, whole, 0, size - 2) == 0, "cut list is no prefix: " + what);
    }
  }

  // A default never stands in for the section list; for a key list it does, as plain text.
  const Answer withDefault = GetString(path, section, nullptr, "dflt  ", roomy);
  if (section == nullptr || full.returned != 0) {
    FUZZ_CHECK(withDefault.returned == full.returned &&
                   withDefault.bytes.compare(0, whole.size(), whole) == 0,
               "the default changed a list: " + Call(section, nullptr, roomy));
  } else {
    FUZZ_CHECK(withDefault.returned == 4 && withDefault.bytes.compare(0, 5, std::string("dflt\0", 5)) == 0,
               "an empty key list did not give way to the trimmed default: " + Call(section, nullptr, roomy));
  }
  return SplitList(whole, full.returned);
}

// What the integer read must give for text: optional '+'/'-', decimal digits, wrapped to 32
// bits. Leading blanks are skipped; only space and tab count here, so a value starting with any
// other blank is left unjudged (false).
bool ExpectedNumber(std::string_view text, uint32_t& number) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  if (at < text.size() && (text[at] == '\v' || text[at] == '\f' || text[at] == '\r' || text[at] == '\n'))
    return false;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  number = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) number = number * 10u + (text[at] - '0');
  if (negative) number = 0u - number;
  return true;
}

// The integer read against the string read of the same key: the default when the key is
// missing or empty, else the number the text starts with.
void CheckInt(const std::string& path, const char* section, const char* key, int32_t fallback, size_t fileBytes) {
  // Defaults no file can hold for both reads at once; their trailing spaces must go.
  const std::string a = CheckValue(path, section, key, "\x01missing-a  ", fileBytes);
  const std::string b = GetString(path, section, key, "\x01missing-b ", RoomyFor(fileBytes + 16)).bytes.c_str();
  const bool missing = a == "\x01missing-a" && b == "\x01missing-b";
  const uint32_t got = ProfileGetInt(path, section, key, fallback);
  const std::string what = Call(section, key, 0) + ", default " + std::to_string(fallback) + ": got " +
                           std::to_string(got) + " for the text \"" + a + "\"";
  uint32_t expected = 0;
  if (missing || a.empty()) {
    FUZZ_CHECK(got == static_cast<uint32_t>(fallback), what);
  } else if (ExpectedNumber(a, expected)) {
    FUZZ_CHECK(got == expected, what + ", expected " + std::to_string(expected));
  }
}

// The integer read with a null section or key: the number the list's first name starts with,
// or the default when the list starts empty.
void CheckIntOfList(const std::string& path, const char* section, const std::vector<std::string>& names) {
  for (const int32_t fallback : {-5}) {
    const uint32_t got = ProfileGetInt(path, section, nullptr, fallback);
    const uint32_t gotSections = section == nullptr ? ProfileGetInt(path, nullptr, "ignored", fallback) : got;
    FUZZ_CHECK(got == gotSections, "the key mattered to a section listing's number");
    const std::string what = Call(section, nullptr, 0) + ": got " + std::to_string(got);
    uint32_t expected = 0;
    if (names.empty() || names.front().empty()) {
      FUZZ_CHECK(got == static_cast<uint32_t>(fallback), what);
    } else if (ExpectedNumber(names.front(), expected)) {
      FUZZ_CHECK(got == expected, what + ", expected " + std::to_string(expected));
    }
  }
}

// Caps on how much of what the file lists is read back, to keep one input quick.
constexpr size_t kListedSections = 2;
constexpr size_t kListedKeys = 2;

const char* const kPluginKeys[] = {"SwitchClockKey", "XCoord", "YCoord", "DisableKey", "EnableAtStart"};

// Size 1 holds only the NUL, whatever the value or the default.
void CheckTiny(const std::string& path, const char* section, const char* key) {
  for (const char* defaultValue : {static_cast<const char*>(nullptr), "default"}) {
    const Answer tiny = GetString(path, section, key, defaultValue, 1);
    FUZZ_CHECK(tiny.returned == 0 && tiny.bytes[0] == '\0', Call(section, key, 1));
  }
}

void FuzzReader(const std::string& path, size_t fileBytes) {
  CheckTiny(path, "Settings", "XCoord");
  CheckNoBuffer(path, "Settings", "XCoord");
  CheckNoBuffer(path, nullptr, nullptr);
  CheckNoBuffer(path, "Settings", nullptr);

  const std::vector<std::string> sections = CheckList(path, nullptr, fileBytes);
  CheckIntOfList(path, nullptr, sections);

  std::vector<std::string> searched = {"Settings", ""};
  for (size_t i = 0; i < sections.size() && i < kListedSections; ++i) searched.push_back(sections[i]);
  for (const std::string& section : searched) {
    const std::vector<std::string> keys = CheckList(path, section.c_str(), fileBytes);
    CheckIntOfList(path, section.c_str(), keys);
    std::vector<std::string> names;
    if (section == "Settings") names.assign(std::begin(kPluginKeys), std::end(kPluginKeys));
    for (size_t i = 0; i < keys.size() && i < kListedKeys; ++i) names.push_back(keys[i]);
    // Defaults that show a value read as the wrong one, and one that must wrap to 2^31.
    constexpr int32_t kFallbacks[] = {7, INT32_MIN, -5};
    for (size_t i = 0; i < names.size(); ++i)
      CheckInt(path, section.c_str(), names[i].c_str(), kFallbacks[i % std::size(kFallbacks)], fileBytes);
  }
}

struct Plugin {
  const char* library;
  const char* settingsFile;
  const char* hotKeyName;
  int32_t hotKeyDefault;
};

constexpr Plugin kPlugins[] = {
    {TARQUEL_CLOCK_PLUGIN, "Tarquel Clock.ini", "SwitchClockKey", 33},
    {TARQUEL_HALTGLIMMER_PLUGIN, "Tarquel HaltGlimmer.ini", "DisableKey", 123},
};

// One scenario per plug-in for the whole run: its game folder is made once, and each input
// only rewrites the settings file and loads the plug-in afresh.
// Statics, so that the folders go when the run ends.
Scenario& ScenarioFor(size_t index) {
  static Scenario clock(kPlugins[0].library);
  static Scenario brake(kPlugins[1].library);
  return index == 0 ? clock : brake;
}

std::string SettingsPath(Scenario& scenario, const Plugin& plugin) {
  return (scenario.Folder().Path() / "asi" / plugin.settingsFile).string();
}

void FailOnViolations(const Plugin& plugin, const char* when) {
  const std::vector<std::string> violations = Host::Instance().Violations();
  if (violations.empty()) return;
  std::string all;
  for (const std::string& violation : violations) all += "\n  " + violation;
  Fail("the host saw violations", __LINE__, std::string(plugin.settingsFile) + " " + when + ":" + all);
}

void FuzzPlugin(size_t index, const std::string& settings) {
  const Plugin& plugin = kPlugins[index];
  Scenario& scenario = ScenarioFor(index);
  scenario.Folder().WriteSettings(plugin.settingsFile, settings);
  const std::string path = SettingsPath(scenario, plugin);
  Host& host = scenario.host();

  scenario.Load();
  FailOnViolations(plugin, "while loading");
  host.RunFrame(0);
  host.RunFrameWhenWaitEnds();
  for (int i = 0; i < 3; ++i) host.RunFrame();
  // The key the plug-in read, whatever it is: codes of 255 and more must be dropped, not indexed.
  const uint32_t hotKey = ProfileGetInt(path, "Settings", plugin.hotKeyName, plugin.hotKeyDefault);
  host.SendKey(KeyPress(hotKey));
  host.RunFrame();
  host.SendKey(KeyRelease(hotKey));
  host.RunFrame();
  host.RunFrame();
  FailOnViolations(plugin, "while running");

  // Each integer the plug-in was handed is what the reader gives for the same arguments.
  const std::vector<HostEvent> reads = host.EventsOf(EventKind::ProfileInt);
  FUZZ_CHECK(!reads.empty(), std::string(plugin.settingsFile) + ": the plug-in read no integer setting");
  for (const HostEvent& read : reads) {
    const uint32_t direct = ProfileGetInt(path, read.section.c_str(), read.key.c_str(), read.defaultInt);
    FUZZ_CHECK(read.resultInt == direct, "the plug-in was handed " + std::to_string(read.resultInt) + " for " +
                                             read.key + ", the reader gives " + std::to_string(direct));
  }

  scenario.Unload();
  FailOnViolations(plugin, "while unloading");
}

// A plug-in sees nothing of its settings file but what its reads return, and both plug-ins read
// only these keys of [Settings]: two inputs that answer them alike load and run alike, so the
// plug-ins run once per distinct set of answers. Two defaults tell a missing key from any value.
bool PluginsSawThisBefore(const std::string& path, size_t fileBytes) {
  static std::unordered_set<std::string> seen;
  std::string answers;
  for (const char* key : kPluginKeys) {
    for (const char* marker : {"\x01missing-a", "\x01missing-b"}) {
      answers += GetString(path, "Settings", key, marker, RoomyFor(fileBytes + 16)).bytes.c_str();
      answers += '\0';
    }
  }
  if (seen.size() >= (1u << 16)) seen.clear();
  return !seen.insert(std::move(answers)).second;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string settings(reinterpret_cast<const char*>(data), size);
  try {
    // The reader is checked on the clock's settings file; the brake's gets the same bytes below.
    Scenario& scenario = ScenarioFor(0);
    scenario.Folder().WriteSettings(kPlugins[0].settingsFile, settings);
    const std::string path = SettingsPath(scenario, kPlugins[0]);
    FuzzReader(path, size);
    if (!PluginsSawThisBefore(path, size))
      for (size_t i = 0; i < std::size(kPlugins); ++i) FuzzPlugin(i, settings);
  } catch (const std::exception& error) {
    Fail("exception", __LINE__, error.what());
  }
  return 0;
}
