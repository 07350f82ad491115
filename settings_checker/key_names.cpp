#include "settings_checker/key_names.h"

#include <array>
#include <cctype>

namespace tarquel::check {
namespace {

struct NamedRange {
  uint32_t first, last;
  const char* name;  // for a range of more than one code, the name of each is built below
  KeyReach reach;
};

// In code order; codes not listed are ones no key sends.
constexpr NamedRange kKeys[] = {
    {0x01, 0x01, "Left mouse button", KeyReach::MouseButton},
    {0x02, 0x02, "Right mouse button", KeyReach::MouseButton},
    {0x03, 0x03, "Ctrl+Break", KeyReach::Keyboard},
    {0x04, 0x04, "Middle mouse button", KeyReach::MouseButton},
    {0x05, 0x05, "Mouse button 4", KeyReach::MouseButton},
    {0x06, 0x06, "Mouse button 5", KeyReach::MouseButton},
    {0x08, 0x08, "Backspace", KeyReach::Keyboard},
    {0x09, 0x09, "Tab", KeyReach::Keyboard},
    {0x0C, 0x0C, "Clear", KeyReach::UncommonKey},
    {0x0D, 0x0D, "Enter", KeyReach::Keyboard},
    {0x10, 0x10, "Shift", KeyReach::Keyboard},
    {0x11, 0x11, "Ctrl", KeyReach::Keyboard},
    {0x12, 0x12, "Alt", KeyReach::Keyboard},
    {0x13, 0x13, "Pause", KeyReach::Keyboard},
    {0x14, 0x14, "Caps Lock", KeyReach::Keyboard},
    {0x15, 0x15, "IME Kana", KeyReach::UncommonKey},
    {0x16, 0x16, "IME On", KeyReach::UncommonKey},
    {0x17, 0x17, "IME Junja", KeyReach::UncommonKey},
    {0x18, 0x18, "IME Final", KeyReach::UncommonKey},
    {0x19, 0x19, "IME Kanji", KeyReach::UncommonKey},
    {0x1A, 0x1A, "IME Off", KeyReach::UncommonKey},
    {0x1B, 0x1B, "Esc", KeyReach::Keyboard},
    {0x1C, 0x1C, "IME Convert", KeyReach::UncommonKey},
    {0x1D, 0x1D, "IME Nonconvert", KeyReach::UncommonKey},
    {0x1E, 0x1E, "IME Accept", KeyReach::UncommonKey},
    {0x1F, 0x1F, "IME Mode Change", KeyReach::UncommonKey},
    {0x20, 0x20, "Space", KeyReach::Keyboard},
    {0x21, 0x21, "Page Up", KeyReach::Keyboard},
    {0x22, 0x22, "Page Down", KeyReach::Keyboard},
    {0x23, 0x23, "End", KeyReach::Keyboard},
    {0x24, 0x24, "Home", KeyReach::Keyboard},
    {0x25, 0x25, "Left arrow", KeyReach::Keyboard},
    {0x26, 0x26, "Up arrow", KeyReach::Keyboard},
    {0x27, 0x27, "Right arrow", KeyReach::Keyboard},
    {0x28, 0x28, "Down arrow", KeyReach::Keyboard},
    {0x29, 0x29, "Select", KeyReach::UncommonKey},
    {0x2A, 0x2A, "Print", KeyReach::UncommonKey},
    {0x2B, 0x2B, "Execute", KeyReach::UncommonKey},
    {0x2C, 0x2C, "Print Screen", KeyReach::Keyboard},
    {0x2D, 0x2D, "Insert", KeyReach::Keyboard},
    {0x2E, 0x2E, "Delete", KeyReach::Keyboard},
    {0x2F, 0x2F, "Help", KeyReach::UncommonKey},
    {0x30, 0x39, "0", KeyReach::Keyboard},  // the digits, 0 to 9
    {0x41, 0x5A, "A", KeyReach::Keyboard},  // the letters, A to Z
    {0x5B, 0x5B, "Left Windows", KeyReach::Keyboard},
    {0x5C, 0x5C, "Right Windows", KeyReach::Keyboard},
    {0x5D, 0x5D, "Menu", KeyReach::Keyboard},
    {0x5F, 0x5F, "Sleep", KeyReach::UncommonKey},
    {0x60, 0x69, "Numpad 0", KeyReach::Keyboard},  // Numpad 0 to Numpad 9
    {0x6A, 0x6A, "Numpad *", KeyReach::Keyboard},
    {0x6B, 0x6B, "Numpad +", KeyReach::Keyboard},
    {0x6C, 0x6C, "Numpad separator", KeyReach::UncommonKey},
    {0x6D, 0x6D, "Numpad -", KeyReach::Keyboard},
    {0x6E, 0x6E, "Numpad .", KeyReach::Keyboard},
    {0x6F, 0x6F, "Numpad /", KeyReach::Keyboard},
    {0x70, 0x7B, "F1", KeyReach::Keyboard},          // F1 to F12
    {0x7C, 0x87, "F13", KeyReach::UncommonKey},  // F13 to F24
    {0x90, 0x90, "Num Lock", KeyReach::Keyboard},
    {0x91, 0x91, "Scroll Lock", KeyReach::Keyboard},
    {0x92, 0x96, "OEM key", KeyReach::UncommonKey},
    {0xA0, 0xA0, "Left Shift", KeyReach::Keyboard},
    {0xA1, 0xA1, "Right Shift", KeyReach::Keyboard},
    {0xA2, 0xA2, "Left Ctrl", KeyReach::Keyboard},
    {0xA3, 0xA3, "Right Ctrl", KeyReach::Keyboard},
    {0xA4, 0xA4, "Left Alt", KeyReach::Keyboard},
    {0xA5, 0xA5, "Right Alt", KeyReach::Keyboard},
    {0xA6, 0xA6, "Browser Back", KeyReach::UncommonKey},
    {0xA7, 0xA7, "Browser Forward", KeyReach::UncommonKey},
    {0xA8, 0xA8, "Browser Refresh", KeyReach::UncommonKey},
    {0xA9, 0xA9, "Browser Stop", KeyReach::UncommonKey},
    {0xAA, 0xAA, "Browser Search", KeyReach::UncommonKey},
    {0xAB, 0xAB, "Browser Favourites", KeyReach::UncommonKey},
    {0xAC, 0xAC, "Browser Home", KeyReach::UncommonKey},
    {0xAD, 0xAD, "Volume Mute", KeyReach::UncommonKey},
    {0xAE, 0xAE, "Volume Down", KeyReach::UncommonKey},
    {0xAF, 0xAF, "Volume Up", KeyReach::UncommonKey},
    {0xB0, 0xB0, "Next Track", KeyReach::UncommonKey},
    {0xB1, 0xB1, "Previous Track", KeyReach::UncommonKey},
    {0xB2, 0xB2, "Stop Media", KeyReach::UncommonKey},
    {0xB3, 0xB3, "Play/Pause", KeyReach::UncommonKey},
    {0xB4, 0xB4, "Start Mail", KeyReach::UncommonKey},
    {0xB5, 0xB5, "Select Media", KeyReach::UncommonKey},
    {0xB6, 0xB6, "Start Application 1", KeyReach::UncommonKey},
    {0xB7, 0xB7, "Start Application 2", KeyReach::UncommonKey},
    {0xBA, 0xBA, ";", KeyReach::Keyboard},
    {0xBB, 0xBB, "=", KeyReach::Keyboard},
    {0xBC, 0xBC, ",", KeyReach::Keyboard},
    {0xBD, 0xBD, "-", KeyReach::Keyboard},
    {0xBE, 0xBE, ".", KeyReach::Keyboard},
    {0xBF, 0xBF, "/", KeyReach::Keyboard},
    {0xC0, 0xC0, "`", KeyReach::Keyboard},
    {0xDB, 0xDB, "[", KeyReach::Keyboard},
    {0xDC, 0xDC, "\\", KeyReach::Keyboard},
    {0xDD, 0xDD, "]", KeyReach::Keyboard},
    {0xDE, 0xDE, "'", KeyReach::Keyboard},
    {0xDF, 0xDF, "OEM 8", KeyReach::UncommonKey},
    {0xE1, 0xE1, "OEM key", KeyReach::UncommonKey},
    {0xE2, 0xE2, "<>", KeyReach::Keyboard},  // beside the left Shift on many European keyboards
    {0xE3, 0xE4, "OEM key", KeyReach::UncommonKey},
    {0xE5, 0xE5, "IME Process", KeyReach::UncommonKey},
    {0xE6, 0xE6, "OEM key", KeyReach::UncommonKey},
    {0xE7, 0xE7, "Packet", KeyReach::UncommonKey},
    {0xE9, 0xF5, "OEM key", KeyReach::UncommonKey},
    {0xF6, 0xF6, "Attn", KeyReach::UncommonKey},
    {0xF7, 0xF7, "CrSel", KeyReach::UncommonKey},
    {0xF8, 0xF8, "ExSel", KeyReach::UncommonKey},
    {0xF9, 0xF9, "Erase EOF", KeyReach::UncommonKey},
    {0xFA, 0xFA, "Play", KeyReach::UncommonKey},
    {0xFB, 0xFB, "Zoom", KeyReach::UncommonKey},
    {0xFD, 0xFD, "PA1", KeyReach::UncommonKey},
    {0xFE, 0xFE, "OEM Clear", KeyReach::UncommonKey},
};

// A range's member: "0".."9", "A".."Z", "Numpad 0".."Numpad 9", "F1".."F24" count on from the
// range's first name; the OEM keys keep one name.
std::string MemberName(const NamedRange& range, uint32_t code) {
  const std::string first = range.name;
  if (range.first == range.last || first == "OEM key") return first;
  const uint32_t offset = code - range.first;
  if (first == "A") return std::string(1, static_cast<char>('A' + offset));
  if (first == "0") return std::string(1, static_cast<char>('0' + offset));
  if (first == "Numpad 0") return "Numpad " + std::to_string(offset);
  return "F" + std::to_string(std::stoi(first.substr(1)) + static_cast<int>(offset));
}

// For comparing names a player may write: lower case, without spaces, '-' and '_'.
std::string Folded(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == ' ' || c == '-' || c == '_' || c == '\t') continue;
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace

KeyInfo DescribeKey(uint32_t code) {
  if (code >= 255) return {"code " + std::to_string(code), KeyReach::OutOfTable};
  for (const NamedRange& range : kKeys) {
    if (code >= range.first && code <= range.last) return {MemberName(range, code), range.reach};
  }
  return {"code " + std::to_string(code), KeyReach::NoKey};
}

bool CanFire(KeyReach reach) { return reach == KeyReach::Keyboard || reach == KeyReach::UncommonKey; }

std::optional<uint32_t> KeyCodeByName(const std::string& text) {
  const std::string wanted = Folded(text);
  if (wanted.empty()) return std::nullopt;
  // Names players often write for keys whose table name differs.
  static const std::array<std::pair<const char*, uint32_t>, 10> kOtherNames = {{
      {"pgup", 0x21}, {"pageup", 0x21}, {"pgdn", 0x22}, {"pgdown", 0x22}, {"escape", 0x1B},
      {"return", 0x0D}, {"control", 0x11}, {"del", 0x2E}, {"ins", 0x2D}, {"spacebar", 0x20},
  }};
  for (const auto& [name, code] : kOtherNames) {
    if (wanted == name) return code;
  }
  for (uint32_t code = 0; code < 255; ++code) {
    const KeyInfo key = DescribeKey(code);
    if (key.reach == KeyReach::NoKey || key.name == "OEM key") continue;
    if (Folded(key.name) == wanted) return code;
  }
  return std::nullopt;
}

}  // namespace tarquel::check
