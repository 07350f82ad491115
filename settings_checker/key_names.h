// Windows virtual-key codes as a player knows them, and whether pressing anything can make the
// plug-ins see a code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarquel::check {

enum class KeyReach {
  Keyboard,        // a key of an ordinary keyboard
  UncommonKey,     // a key only some keyboards have (F13 and up, media keys, IME keys, ...)
  MouseButton,     // a mouse button: the plug-ins hear only the keyboard, so it never fires
  NoKey,           // a code no key sends (unassigned or reserved), so it never fires
  OutOfTable,      // 255 or more: the plug-ins track codes 0 to 254 only, so it never fires
};

struct KeyInfo {
  std::string name;  // "Page Up", "F12", "A"; "code 300" for one without a name
  KeyReach reach = KeyReach::NoKey;
};

KeyInfo DescribeKey(uint32_t code);

// Whether a press of this code can ever reach a plug-in's release test.
bool CanFire(KeyReach reach);

// The code of a key written by its name instead of its number ("PageUp", "page up", "F12",
// "Esc", "a"), if the text names one; case, spaces, '-' and '_' do not matter.
std::optional<uint32_t> KeyCodeByName(const std::string& text);

}  // namespace tarquel::check
