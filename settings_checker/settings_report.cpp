#include "settings_checker/settings_report.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <system_error>

#include "brake_control/brake_settings.h"
#include "brake_control/brake_switch.h"
#include "clock_overlay/clock_display.h"
#include "clock_overlay/clock_settings.h"
#include "clock_overlay/locale_free_number.h"
#include "common/platform.h"
#include "settings_checker/key_names.h"
#include "settings_checker/text_wrap.h"

namespace tarquel::check {
namespace {

namespace fs = std::filesystem;

const char kBom[] = "\xEF\xBB\xBF";

// ---- Reading through the profile functions, as the plug-ins do ---------------------------------

// A value as the reader gives it, quotes removed, for showing and judging; long enough for any
// line a player writes by hand.
std::string ReadValue(const char* file, const char* section, const char* key) {
  std::string value(65536, '\0');
  const DWORD length = GetPrivateProfileStringA(section, key, "", value.data(),
                                                static_cast<DWORD>(value.size()), file);
  value.resize(std::min<size_t>(length, value.size()));
  return value;
}

// Only a missing key gives the default, so a key is missing when two different defaults both
// come back.
bool KeyPresent(const char* file, const char* section, const char* key) {
  char first[8] = "", second[8] = "";
  GetPrivateProfileStringA(section, key, "\x01" "a", first, sizeof first, file);
  GetPrivateProfileStringA(section, key, "\x01" "b", second, sizeof second, file);
  return std::string(first) != "\x01" "a" || std::string(second) != "\x01" "b";
}

// The section names of the file (section == nullptr) or the key names of a section, as listed,
// repeats included.
std::vector<std::string> ListNames(const char* file, const char* section) {
  std::string list(1 << 18, '\0');
  const DWORD length = GetPrivateProfileStringA(section, nullptr, "", list.data(),
                                                static_cast<DWORD>(list.size()), file);
  std::vector<std::string> names;
  size_t begin = 0;
  const size_t end = std::min<size_t>(length, list.size());
  while (begin < end) {
    const size_t nul = list.find('\0', begin);
    const size_t stop = nul == std::string::npos || nul > end ? end : nul;
    if (stop > begin) names.push_back(list.substr(begin, stop - begin));
    begin = stop + 1;
  }
  return names;
}

// ---- Names ------------------------------------------------------------------------------------

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool SameName(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

// Edits (insert, delete, change, swap two neighbours) between two names, case ignored.
size_t EditDistance(const std::string& a_, const std::string& b_) {
  const std::string a = Lower(a_), b = Lower(b_);
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// Close enough to be a slip of the keyboard rather than another word.
bool CloseName(const std::string& written, const std::string& real) {
  if (SameName(written, real)) return false;
  const size_t limit = real.size() >= 6 ? 2 : 1;
  return EditDistance(written, real) <= limit;
}

// Text for a message: quoted, cut, and with control bytes shown as '?', so that a hostile file
// cannot mess up the terminal.
std::string Shown(const std::string& text, size_t limit = 40) {
  std::string out;
  for (const char c : text.substr(0, limit)) {
    const auto byte = static_cast<unsigned char>(c);
    out += byte < 0x20 || byte == 0x7F || byte >= 0x80 ? '?' : c;
  }
  if (text.size() > limit) out += "...";
  return out;
}

std::string Quoted(const std::string& text) { return "\"" + Shown(text) + "\""; }

// The shortest text that reads back as `value` (a float's own, for a float), with a point.
template <typename Number>
std::string NumberText(Number value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, name); });
}

// "a, b, c"
std::string Listed(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}

std::string KeyText(uint32_t code) {
  const KeyInfo key = DescribeKey(code);
  return key.name.rfind("code ", 0) == 0 ? key.name : key.name + " (" + std::to_string(code) + ")";
}

// ---- One plug-in ------------------------------------------------------------------------------

enum class FileState { Missing, Readable, Unreadable };

struct FileLook {
  FileState state = FileState::Missing;
  std::string problem;
  std::string bytes;  // the start of the file, for what the profile functions do not show
};

FileLook LookAtFile(const fs::path& path) {
  FileLook look;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) return look;
  look.state = FileState::Unreadable;
  if (fs::is_directory(status)) {
    look.problem = "it is a folder, not a file";
    return look;
  }
  if (!fs::is_regular_file(status)) {
    look.problem = "it is not an ordinary file";
    return look;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    look.problem = "it cannot be opened (no permission, or another program holds it)";
    return look;
  }
  look.bytes.resize(1 << 20);
  file.read(look.bytes.data(), static_cast<std::streamsize>(look.bytes.size()));
  look.bytes.resize(static_cast<size_t>(file.gcount()));
  look.state = FileState::Readable;
  return look;
}

// What one plug-in's file looks like through the profile functions.
struct FileView {
  const char* file;  // as the plug-in names it
  const char* section;
  FileLook look;
  std::vector<std::string> sections;
  bool hasSection = false;
  std::vector<std::string> keys;  // of the first section of that name
};

FileView ViewFile(const char* file, const char* section, const fs::path& hostPath) {
  FileView view{file, section, LookAtFile(hostPath), {}, false, {}};
  view.sections = ListNames(file, nullptr);
  for (const std::string& name : view.sections) view.hasSection |= SameName(name, section);
  if (view.hasSection) view.keys = ListNames(file, section);
  return view;
}

// Why a missing key takes its default.
std::string DefaultSource(const FileView& view, const char* key) {
  switch (view.look.state) {
    case FileState::Missing: return "default: no settings file";
    case FileState::Unreadable: return "default: the file cannot be read";
    case FileState::Readable: break;
  }
  if (!view.hasSection) return std::string("default: no [") + view.section + "] section";
  return std::string("default: no ") + key + " line in [" + view.section + "]";
}

// The leading number GetPrivateProfileIntA reads: blanks, an optional sign, decimal digits.
size_t IntegerLength(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const size_t digits = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  return i > digits ? i : 0;
}

bool Hexadecimal(const std::string& text) {
  size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
  return text.size() > i + 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
         std::isxdigit(static_cast<unsigned char>(text[i + 2]));
}

struct IntegerKey {
  const char* name;
  uint32_t defaultValue;
};

// The reading of a number key, its source and the warnings its text alone deserves; `advice`
// says what to write instead of a text that is not a number.
struct IntegerReading {
  bool present = false;
  std::string raw;
  uint32_t value = 0;
  bool valueWarned = false;  // a warning already explains the value
};

IntegerReading ReadIntegerKey(const FileView& view, const IntegerKey& key, uint32_t value,
                              PluginReport& report, SettingReading& reading,
                              const std::function<std::string(const std::string&)>& advice) {
  IntegerReading result;
  result.value = value;
  result.present = KeyPresent(view.file, view.section, key.name);
  reading.name = key.name;
  reading.value = std::to_string(value);
  if (!result.present) {
    reading.source = DefaultSource(view, key.name);
    return result;
  }
  result.raw = ReadValue(view.file, view.section, key.name);
  const std::string written = std::string(key.name) + "=" + Shown(result.raw);
  const size_t length = IntegerLength(result.raw);
  if (result.raw.empty()) {
    reading.source = value == 0 ? "empty, read as 0" : "empty, read as the default";
    report.warnings.push_back(
        {"empty value", written + " is empty: it reads as " + std::to_string(value) +
                            (value == key.defaultValue ? " here, but Windows may read an empty number as 0" : "") +
                            "; to get the default (" + std::to_string(key.defaultValue) + "), delete the line"});
    result.valueWarned = true;
  } else if (Hexadecimal(result.raw)) {
    reading.source = "read as " + std::to_string(value) + " from a hexadecimal number";
    const unsigned long long hex = std::strtoull(result.raw.c_str() + (result.raw[0] == '0' ? 0 : 1), nullptr, 16);
    report.warnings.push_back(
        {"hexadecimal", written + " is hexadecimal, which Windows does not read: it reads as 0 there" +
                            (value != 0 ? " (" + std::to_string(value) + " here)" : "") +
                            "; write the code in decimal: " + std::to_string(hex)});
    result.valueWarned = true;
  } else if (length == 0) {
    reading.source = "not a number, read as " + std::to_string(value);
    report.warnings.push_back({"not a number", written + " is not a number and reads as " +
                                                   std::to_string(value) + advice(result.raw)});
    result.valueWarned = true;
  } else {
    reading.source = length == result.raw.size() ? "as written"
                                                  : "read partly: " + Quoted(result.raw.substr(length)) + " ignored";
    // The number as written, without blanks, '+' and leading zeros, against what came out.
    std::string digits = result.raw.substr(0, length);
    digits.erase(0, digits.find_first_not_of(" \t+"));
    const bool negative = !digits.empty() && digits[0] == '-';
    digits.erase(0, std::min(digits.find_first_not_of("-0"), digits.size()));
    if (digits.empty()) digits = "0";
    if ((negative && digits != "0") || digits != std::to_string(value)) reading.source += ", wrapped to 32 bits";
  }
  return result;
}

// The hot key's line and what a key that cannot fire does to the plug-in.
void DescribeHotKey(const IntegerReading& key, const char* name, const std::string& whenDead,
                    PluginReport& report, SettingReading& reading) {
  const KeyInfo info = DescribeKey(key.value);
  std::string line = "hot key: " + KeyText(key.value);
  const std::string written = std::string(name) + "=" + Shown(key.present ? key.raw : std::to_string(key.value));
  const std::string wrapped =
      key.present && !key.raw.empty() && key.raw.find('-') != std::string::npos && key.value >= 255
          ? " (" + Shown(key.raw) + " wraps to " + std::to_string(key.value) + ")"
          : "";
  switch (info.reach) {
    case KeyReach::Keyboard: line += ", can fire"; break;
    case KeyReach::UncommonKey: line += ", can fire, but only some keyboards have this key"; break;
    case KeyReach::MouseButton:
      line += ", never fires: a mouse button";
      report.warnings.push_back({"key never fires", written + " is the " + Lower(info.name) +
                                                        ", but the plug-in hears only the keyboard: " + whenDead});
      break;
    case KeyReach::NoKey:
      line += ", never fires: no key sends this code";
      if (!key.valueWarned)
        report.warnings.push_back({"key never fires", written + ": no key sends code " +
                                                          std::to_string(key.value) + ", so " + whenDead});
      break;
    case KeyReach::OutOfTable:
      line += ", never fires: only codes 0 to 254 can";
      report.warnings.push_back({"key never fires", written + wrapped +
                                                        ": only codes 0 to 254 can fire, so " + whenDead});
      break;
  }
  if (key.value >= 0xA0 && key.value <= 0xA5) {
    line += "; if it does not, Windows may be reporting it as " +
            KeyText(key.value <= 0xA1 ? 0x10 : key.value <= 0xA3 ? 0x11 : 0x12);
  }
  reading.details.push_back(line);
}

std::string NameAdvice(const std::string& raw) {
  if (const std::optional<uint32_t> code = KeyCodeByName(raw))
    return ", which no key sends; write " + std::to_string(*code) + " for " + DescribeKey(*code).name;
  return ", which no key sends; write the key's code as a decimal number";
}

// A clock position, read as the plug-in reads it: the fraction of the screen it gives.
float ReadPositionKey(const FileView& view, const char* name, double defaultPercent,
                                const char* edge, const char* dimension, PluginReport& report) {
  const ClockPositionText text = ReadClockPositionText(name, defaultPercent);
  const float fraction = ClockPositionFromText(text.text);
  size_t length = 0;
  const double percent = ParseDecimalPrefix(text.text, &length);
  SettingReading reading;
  reading.name = name;
  reading.value = NumberText(percent) + " %";
  reading.details.push_back(std::isfinite(fraction)
                                ? std::string(edge) + " edge at " + NumberText(fraction) + " of the screen's " +
                                      dimension
                                : std::string("no place on the screen"));
  const bool present = KeyPresent(view.file, view.section, name);
  if (!present) {
    reading.source = DefaultSource(view, name);
    report.readings.push_back(reading);
    return fraction;
  }
  const std::string raw = ReadValue(view.file, view.section, name);
  const std::string written = std::string(name) + "=" + Shown(raw);
  const std::string read(text.text);
  if (raw.empty()) {
    reading.source = "empty, read as 0";
    report.warnings.push_back({"empty value", written + " is empty and reads as 0 %, against the " +
                                                  edge + " edge of the screen; to get the default (" +
                                                  NumberText(defaultPercent) + " %), delete the line"});
  } else if (length == 0) {
    reading.source = "not a number, read as 0";
    report.warnings.push_back({"not a number", written + " is not a number and reads as 0 %, against the " +
                                                   edge + " edge of the screen"});
  } else {
    std::string ignored;
    if (length < read.size()) ignored = Quoted(read.substr(length)) + " ignored";
    if (raw.size() > read.size())
      ignored += (ignored.empty() ? "" : ", ") + std::string("cut to its first ") +
                 std::to_string(read.size()) + " characters";
    reading.source = ignored.empty() ? "as written" : "read partly: " + ignored;
    if (length < read.size() && read[length] == ',' && length + 1 < read.size() &&
        std::isdigit(static_cast<unsigned char>(read[length + 1]))) {
      size_t decimals = length + 1;
      while (decimals < read.size() && std::isdigit(static_cast<unsigned char>(read[decimals]))) ++decimals;
      const std::string pointed = read.substr(0, length) + "." + read.substr(length + 1, decimals - length - 1);
      report.warnings.push_back({"decimal comma", written + " reads as " + NumberText(percent) +
                                                      " %: only a point separates decimals, whatever "
                                                      "the computer's regional settings; write " +
                                                      Shown(pointed)});
    }
  }
  if (!std::isfinite(percent) || !std::isfinite(fraction)) {
    report.warnings.push_back({"not a finite number",
                               written + " reads as " + NumberText(percent) +
                                   ", which is no place on the screen: the game shows the clock at an "
                                   "undefined place or not at all"});
  } else if (percent < 0 || percent > 100) {
    report.warnings.push_back({"off the screen", written + " puts the clock's " + edge + " edge at " +
                                                     NumberText(percent) + " % of the screen's " + dimension +
                                                     ", off the screen: 0 to 100 % is on it"});
  }
  report.readings.push_back(reading);
  return fraction;
}

// What the checker knows of a plug-in: its name, its settings file and its keys.
struct PluginFiles {
  const char* name;
  const char* settingsFile;  // as the plug-in names it, "./asi/..."
  const char* section;
  std::vector<std::string> keys;

  std::string SettingsName() const { return std::string(settingsFile).substr(2); }  // without "./"
};

const PluginFiles kClock = {"Tarquel Clock", kClockSettingsFile, kClockSettingsSection,
                            {kSwitchClockKeyName, kXCoordName, kYCoordName}};
const PluginFiles kHaltGlimmer = {"Tarquel HaltGlimmer", kHaltGlimmerSettingsFile, kHaltGlimmerSettingsSection,
                                  {kDisableKeyName, kEnableAtStartName}};

// Keys of this plug-in written where it does not look, and keys in its section it does not know.
void CheckKeyNames(const FileView& view, const PluginFiles& self, const PluginFiles& other, PluginReport& report) {
  const std::vector<std::string>& known = self.keys;
  // The real key a name is or is close to, or "".
  auto realKeyFor = [&](const std::string& name) -> std::string {
    for (const std::string& real : known) {
      if (SameName(name, real) || CloseName(name, real)) return real;
    }
    return "";
  };
  const std::string section = view.section;
  // In [Settings]: repeats and names the plug-in does not read.
  std::vector<std::string> seen;
  for (const std::string& key : view.keys) {
    if (Contains(seen, key)) {
      if (Contains(known, key))
        report.warnings.push_back({"repeated key", Shown(key) + " is written more than once in [" + section +
                                                        "]: only the first is read (" + Shown(key) + "=" +
                                                        Shown(ReadValue(view.file, view.section, key.c_str())) + ")"});
      continue;
    }
    seen.push_back(key);
    if (Contains(known, key)) continue;
    if (Contains(other.keys, key)) {
      report.warnings.push_back({"other plug-in's key", Shown(key) + " is a setting of " + other.name +
                                                            ": it belongs in " + other.SettingsName() +
                                                            "; here it is ignored"});
      continue;
    }
    const std::string real = realKeyFor(key);
    if (!real.empty()) {
      const bool realThere = Contains(view.keys, real);
      report.warnings.push_back({"misspelt key", Shown(key) + " is not a setting of " + self.name +
                                                     ": did you mean " + real + "? As it is, the line is ignored" +
                                                     (realThere ? "" : " and " + real + " takes its default")});
    } else {
      report.warnings.push_back({"unknown key", Shown(key) + " is not a setting of " + self.name + " and is ignored"});
    }
  }
  // Other sections: each is ignored whole.
  int settingsSections = 0;
  for (const std::string& name : view.sections) {
    if (SameName(name, section)) {
      ++settingsSections;
      continue;
    }
    if (name.rfind(kBom, 0) == 0) continue;  // told with the byte-order mark
    std::vector<std::string> strays;
    for (const std::string& key : ListNames(view.file, name.c_str())) {
      if (!realKeyFor(key).empty()) strays.push_back(Shown(key));
    }
    if (strays.empty()) continue;
    const std::string hint = CloseName(name, section) ? " (did you mean [" + section + "]?)" : "";
    report.warnings.push_back({"outside [" + section + "]", Listed(strays) + (strays.size() > 1 ? " are" : " is") +
                                                                " in the section [" + Shown(name) + "]" + hint +
                                                                ", but the plug-in reads only [" + section + "]"});
  }
  if (settingsSections > 1)
    report.warnings.push_back({"repeated section", "[" + section + "] is written " + std::to_string(settingsSections) +
                                                       " times; keep one: here only the first is read, the keys of the others are ignored"});
  // Lines above the first section header belong to no section: the profile functions never
  // show them, so they are looked for in the file's own lines.
  const std::string& bytes = view.look.bytes;
  size_t at = bytes.rfind(kBom, 0) == 0 ? 3 : 0;
  std::vector<std::string> above;
  while (at < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 1;
    line.erase(0, line.find_first_not_of(" \t"));
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.find(']') != std::string::npos) break;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string name = line.substr(0, equals);
    name.erase(name.find_last_not_of(" \t") + 1);
    if (!realKeyFor(name).empty()) above.push_back(Shown(name));
  }
  if (!above.empty()) {
    report.warnings.push_back({"outside [" + section + "]", Listed(above) + (above.size() > 1 ? " stand" : " stands") +
                                                                " above the first section header, where nothing is read: "
                                                                "put a line [" + section + "] above " +
                                                                (above.size() > 1 ? "them" : "it")});
  }
}

void CheckByteOrderMark(const FileView& view, PluginReport& report) {
  if (view.look.bytes.rfind(kBom, 0) != 0) return;
  const std::string section = view.section;
  report.warnings.push_back(
      {"byte-order mark",
       view.hasSection
           ? "the file starts with a UTF-8 byte-order mark, which Windows reads as text of the first line; "
             "save it as ANSI, or as UTF-8 without a byte-order mark"
           : "the file starts with a UTF-8 byte-order mark, which Windows reads as text of the first line: "
             "it hides the section [" + section + "], so every setting takes its default; save the file "
             "as ANSI, or as UTF-8 without a byte-order mark"});
}

// A plug-in's file as the profile functions show it, and its report as far as that goes, before
// its settings are read.
struct PluginCheck {
  FileView view;
  PluginReport report;
};

PluginCheck StartCheck(const fs::path& folder, const PluginFiles& plugin) {
  PluginCheck check{ViewFile(plugin.settingsFile, plugin.section, folder / plugin.settingsFile), {}};
  const FileView& view = check.view;
  PluginReport& report = check.report;
  report.plugin = plugin.name;
  report.asiFile = std::string(plugin.name) + ".asi";
  report.settings = plugin.SettingsName();
  std::error_code error;
  report.asiPresent = fs::is_regular_file(folder / report.asiFile, error);
  report.installed = report.asiPresent || view.look.state != FileState::Missing;
  switch (view.look.state) {
    case FileState::Missing: report.fileState = "not there: every setting takes its default"; break;
    case FileState::Readable: report.fileState = "read"; break;
    case FileState::Unreadable:
      report.fileState = "cannot be read: " + view.look.problem + "; the plug-in then takes every default";
      report.unreadable = true;
      break;
  }
  if (!report.asiPresent && view.look.state != FileState::Missing) {
    report.warnings.push_back({"plug-in missing", report.settings + " is here, but " + report.asiFile +
                                                      " is not: without it these settings do nothing"});
  }
  // Copies Windows may have named otherwise than the plug-in looks for.
  const std::string name = fs::path(report.settings).filename().string();
  for (const fs::path& stray : {folder / name, folder / (name + ".txt"), folder / "asi" / (name + ".txt")}) {
    if (fs::exists(stray, error)) {
      report.warnings.push_back({"misplaced file", fs::relative(stray, folder, error).generic_string() +
                                                       " is never read: the plug-in reads only " +
                                                       report.settings});
    }
  }
  CheckByteOrderMark(view, report);
  return check;
}

void CheckClock(const fs::path& folder, FolderReport& out) {
  auto [view, report] = StartCheck(folder, kClock);

  SettingReading key;
  const IntegerReading switchKey =
      ReadIntegerKey(view, {kSwitchClockKeyName, kSwitchClockKeyDefault}, ReadSwitchClockKey(), report, key, NameAdvice);
  DescribeHotKey(switchKey, kSwitchClockKeyName, "the clock always shows the game clock", report, key);
  report.readings.push_back(key);
  out.switchClockKey = switchKey.value;
  // In the plug-in's order: XCoord, then YCoord.
  out.clockX = ReadPositionKey(view, kXCoordName, kXCoordDefaultPercent, "left", "width", report);
  out.clockY = ReadPositionKey(view, kYCoordName, kYCoordDefaultPercent, "top", "height", report);

  CheckKeyNames(view, kClock, kHaltGlimmer, report);
  out.clock = std::move(report);
}

void CheckHaltGlimmer(const fs::path& folder, FolderReport& out) {
  auto [view, report] = StartCheck(folder, kHaltGlimmer);

  SettingReading key;
  const IntegerReading disableKey =
      ReadIntegerKey(view, {kDisableKeyName, kDisableKeyDefault}, ReadDisableKey(), report, key, NameAdvice);
  out.disableKey = disableKey.value;

  SettingReading start;
  const int32_t enabled = ReadEnableAtStart();
  const IntegerReading startValue = ReadIntegerKey(
      view, {kEnableAtStartName, static_cast<uint32_t>(kEnableAtStartDefault)}, static_cast<uint32_t>(enabled),
      report, start, [](const std::string&) {
        return std::string(", so the feature starts off; write 1 to start it on, 0 to start it off");
      });
  start.value = std::to_string(enabled);
  start.details.push_back(enabled == 1   ? std::string("the feature starts on")
                          : enabled == 0 ? std::string("the feature starts off")
                                         : "the feature starts off, and the first press shows OFF");
  if (enabled != 0 && enabled != 1 && !startValue.valueWarned) {
    report.warnings.push_back({"start value", std::string(kEnableAtStartName) + "=" + Shown(startValue.raw) +
                                                  ": it takes 1 (on) or 0 (off); " + std::to_string(enabled) +
                                                  " starts the feature off, the first press of the key then "
                                                  "shows OFF and the second turns it on"});
  }
  out.enableAtStart = enabled;

  const std::string whenDead = std::string("the feature stays ") + (enabled == 1 ? "on" : "off") +
                               ", as EnableAtStart sets it";
  DescribeHotKey(disableKey, kDisableKeyName, whenDead, report, key);
  report.readings.push_back(key);
  report.readings.push_back(start);

  CheckKeyNames(view, kHaltGlimmer, kClock, report);
  out.haltGlimmer = std::move(report);
}

// The current directory for the length of a scope.
class InFolder {
 public:
  explicit InFolder(const fs::path& folder) : previous_(fs::current_path(error_)) {
    fs::current_path(folder, error_);
  }
  ~InFolder() {
    std::error_code ignored;
    if (!previous_.empty()) fs::current_path(previous_, ignored);
  }
  bool Failed() const { return static_cast<bool>(error_); }
  std::string Problem() const { return error_.message(); }

 private:
  std::error_code error_;
  fs::path previous_;
};

void WriteWarnings(std::ostream& out, const std::vector<Warning>& warnings, const std::string& indent) {
  for (const Warning& warning : warnings)
    WriteWrapped(out, "warning (" + warning.kind + "): " + warning.text, indent, indent + "    ");
}

void WritePlugin(std::ostream& out, const PluginReport& report) {
  out << report.plugin << "\n";
  if (!report.installed) {
    out << "  not installed here: neither " << report.asiFile << " nor " << report.settings << " is in this folder\n";
    return;
  }
  out << "  " << report.asiFile << ": " << (report.asiPresent ? "here" : "not here") << "\n";
  out << "  " << report.settings << ": " << report.fileState << "\n";
  for (const SettingReading& reading : report.readings) {
    std::string line = "    " + reading.name;
    line.resize(std::max<size_t>(line.size() + 1, 20), ' ');
    line += reading.value;
    line.resize(std::max<size_t>(line.size() + 1, 32), ' ');
    out << line << reading.source << "\n";
    for (const std::string& detail : reading.details) WriteWrapped(out, detail, std::string(20, ' '), std::string(22, ' '));
  }
  WriteWarnings(out, report.warnings, "  ");
}

}  // namespace

size_t FolderReport::WarningCount() const {
  return warnings.size() + clock.warnings.size() + haltGlimmer.warnings.size();
}

int FolderReport::ExitStatus() const {
  if (!folderProblem.empty() || clock.unreadable || haltGlimmer.unreadable) return 2;
  return WarningCount() > 0 ? 1 : 0;
}

FolderReport CheckGameFolder(const fs::path& folder) {
  FolderReport report;
  std::error_code error;
  const fs::path absolute = fs::absolute(folder, error);
  report.folder = (error ? folder : absolute.lexically_normal()).string();
  if (!fs::is_directory(folder, error)) {
    report.folderProblem = fs::exists(folder, error) ? "it is not a folder" : "there is no such folder";
    return report;
  }
  {
    const InFolder inFolder(folder);
    if (inFolder.Failed()) {
      report.folderProblem = "it cannot be entered: " + inFolder.Problem();
      return report;
    }
    CheckClock(fs::path("."), report);
    CheckHaltGlimmer(fs::path("."), report);
  }
  if (!report.clock.installed && !report.haltGlimmer.installed) {
    report.warnings.push_back({"nothing installed", "no Tarquel plug-in and no settings file of one is here: is "
                                                     "this the game's main folder, the one that holds its .exe?"});
  }
  if (report.clock.installed && report.haltGlimmer.installed && report.switchClockKey == report.disableKey &&
      CanFire(DescribeKey(report.switchClockKey).reach)) {
    report.warnings.push_back({"same hot key", "SwitchClockKey and DisableKey are both " + KeyText(report.disableKey) +
                                                   ": one press steps the clock and switches HaltGlimmer too"});
  }
  return report;
}

void WriteReport(std::ostream& out, const FolderReport& report) {
  out << "Game folder: " << report.folder << "\n";
  if (!report.folderProblem.empty()) {
    out << "  cannot be checked: " << report.folderProblem << "\n";
    out << "\nNot checked.\n";
    return;
  }
  out << "\n";
  WritePlugin(out, report.clock);
  out << "\n";
  WritePlugin(out, report.haltGlimmer);
  if (!report.warnings.empty()) {
    out << "\n";
    WriteWarnings(out, report.warnings, "");
  }
  out << "\n";
  const size_t count = report.WarningCount();
  if (report.ExitStatus() == 2) {
    out << "A settings file cannot be read";
    if (count > 0) out << "; " << count << (count == 1 ? " warning" : " warnings");
    out << ".\n";
  } else if (count == 0) {
    out << "No warnings: the plug-ins will do what these settings say.\n";
  } else {
    out << count << (count == 1 ? " warning.\n" : " warnings.\n");
  }
}

std::vector<ScreenFrame> PreviewFrames(const FolderReport& report, ClockTime gameTime, ClockTime realTime) {
  auto clockLine = [&](const char* label, ClockTime time) {
    char text[128];
    std::snprintf(text, sizeof text, kClockLineFormat, label, time.hours, time.minutes);
    return ScreenLine{text, kClockScale, kClockCentred, report.clockX, report.clockY};
  };
  const bool stepping = CanFire(DescribeKey(report.switchClockKey).reach);
  const std::string unreachable = stepping ? "" : " (never shown: the switch key never fires)";
  const bool toggling = CanFire(DescribeKey(report.disableKey).reach);
  return {
      {"Tarquel Clock: game clock", {clockLine(kGameClockLabel, gameTime)}},
      {"Tarquel Clock: real clock" + unreachable, {clockLine(kRealClockLabel, realTime)}},
      {"Tarquel Clock: nothing" + unreachable, {}},
      {toggling ? "Tarquel HaltGlimmer: ON, for 2 s after a press of " + DescribeKey(report.disableKey).name
                : std::string("Tarquel HaltGlimmer: ON (never shown: its key never fires)"),
       {{kOnText, kNotificationScale, kNotificationCentred, kNotificationX, kNotificationY}}},
  };
}

}  // namespace tarquel::check
