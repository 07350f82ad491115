#include "profile_reader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tarquel::emu {
namespace {

using Names = std::vector<std::string_view>;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    return TrimRight(TrimLeft(s));
}

// Names and values reach the plug-in as C strings, so a NUL read from the file ends them.
std::string_view UpToNul(std::string_view s) {
    const size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// The ANSI code page a UTF-16 file is narrowed to: Windows-1252, that of English and Western
// European Windows. Latin-1 characters keep their code; these are the ones 1252 places in
// 0x80-0x9F instead of the C1 controls, whose five unassigned bytes stand for themselves.
char NarrowToAnsi(unsigned unit) {
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (unsigned i = 0; i < std::size(kHigh); ++i) {
        if (kHigh[i] == unit) return static_cast<char>(0x80 + i);
    }
    return '?';
}

// Windows turns a file starting with a UTF-16 byte-order mark into 8-bit text of the ANSI code
// page before reading it; what that page lacks comes out as '?'. Any other file, a UTF-8 one
// with its byte-order mark included, is taken byte for byte.
std::string Narrow(std::string raw) {
    if (raw.size() < 2) return raw;
    const auto b0 = static_cast<unsigned char>(raw[0]);
    const auto b1 = static_cast<unsigned char>(raw[1]);
    const bool little = b0 == 0xFF && b1 == 0xFE;
    const bool big = b0 == 0xFE && b1 == 0xFF;
    if (!little && !big) return raw;

    std::string text;
    text.reserve(raw.size() / 2);
    // A stray last byte is half a code unit; it is dropped.
    for (size_t i = 2; i + 1 < raw.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(raw[little ? i : i + 1]);
        const auto hi = static_cast<unsigned char>(raw[little ? i + 1 : i]);
        const unsigned unit = (static_cast<unsigned>(hi) << 8) | lo;
        text.push_back(NarrowToAnsi(unit));
    }
    return text;
}

// The whole file as text, or nothing when it is missing or unreadable. Only a regular file
// counts: a directory or a pipe in its place reads as missing (and a pipe must not block us).
std::optional<std::string> ReadProfile(const std::string& hostPath) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(hostPath, ec)) return std::nullopt;

    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return std::nullopt;

    std::string raw;
    const auto expected = std::filesystem::file_size(hostPath, ec);
    if (!ec) raw.reserve(static_cast<size_t>(expected));
    std::vector<char> chunk(64 * 1024);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        raw.append(chunk.data(), static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) return std::nullopt;
    return Narrow(std::move(raw));
}

// Hands out the file one line at a time; CR LF, LF and CR each end a line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    bool Next(std::string_view& line) {
        if (rest_.empty()) return false;
        const size_t end = rest_.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            line = rest_;
            rest_ = {};
            return true;
        }
        line = rest_.substr(0, end);
        const bool crlf = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n';
        rest_.remove_prefix(end + (crlf ? 2 : 1));
        return true;
    }

private:
    std::string_view rest_;
};

enum class LineKind {
    Ignored,  // blank or comment
    Section,
    Key,
    Bare,     // text without '=': not a key
};

struct ParsedLine {
    LineKind kind = LineKind::Ignored;
    std::string_view name;
    std::string_view value;
};

ParsedLine ParseLine(std::string_view line) {
    line = TrimLeft(line);
    if (line.empty() || line.front() == ';') return {};
    if (line.front() == '[') {
        const size_t close = line.rfind(']');
        // Without a closing bracket the line is no header but an ordinary line of the
        // section it stands in.
        if (close != std::string_view::npos) {
            return {LineKind::Section, Trim(UpToNul(line.substr(1, close - 1))), {}};
        }
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return {LineKind::Bare, Trim(UpToNul(line)), {}};
    return {LineKind::Key, Trim(UpToNul(line.substr(0, eq))), Trim(UpToNul(line.substr(eq + 1)))};
}

// The value of the key, searched only in the first section of that name. An empty key name
// is a name like any other: it finds a line such as "=value".
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
    if (section.empty()) return std::nullopt;
    bool inSection = false;
    LineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const ParsedLine parsed = ParseLine(line);
        if (parsed.kind == LineKind::Section) {
            if (inSection) return std::nullopt;
            inSection = EqualsNoCase(parsed.name, section);
        } else if (inSection && parsed.kind == LineKind::Key && EqualsNoCase(parsed.name, key)) {
            return parsed.value;
        }
    }
    return std::nullopt;
}

// Every header of the file, in file order: a repeated name is listed each time it appears.
// A header with an empty name ("[]") is not listed.
Names SectionNames(std::string_view text) {
    Names names;
    LineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const ParsedLine parsed = ParseLine(line);
        if (parsed.kind == LineKind::Section && !parsed.name.empty()) names.push_back(parsed.name);
    }
    return names;
}

// The keys of the first section of that name, each line's name as it stands, a repeated or an
// empty one too; nothing when there is no such section.
std::optional<Names> KeyNames(std::string_view text, std::string_view section) {
    if (section.empty()) return std::nullopt;
    bool found = false;
    bool inSection = false;
    Names names;
    LineReader lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const ParsedLine parsed = ParseLine(line);
        if (parsed.kind == LineKind::Section) {
            if (inSection) break;
            inSection = EqualsNoCase(parsed.name, section);
            found = found || inSection;
        } else if (inSection && parsed.kind == LineKind::Key) {
            // Only lines holding '=' are listed, as Windows lists them. A bare name is no
            // key: looking it up gives the default, so listing it would hand a caller that
            // reads each listed key back a key that is not there.
            names.push_back(parsed.name);
        }
    }
    if (!found) return std::nullopt;
    return names;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string_view TrimTrailingSpaces(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Requires out != nullptr and size >= 1.
uint32_t CopyText(std::string_view text, char* out, uint32_t size) {
    const size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<uint32_t>(n);
}

// Writes names as a NUL-separated list ending in an extra NUL. Requires out != nullptr and
// size >= 1.
uint32_t WriteList(const Names& names, char* out, uint32_t size) {
    if (size == 1) {
        out[0] = '\0';
        return 0;
    }
    size_t used = 0;
    for (const std::string_view name : names) {
        // Bytes left for names; the last byte of the buffer stays for the final NUL.
        const size_t room = size - 1 - used;
        // Windows counts a list as cut short even when its last name just fits, leaving
        // only the final NUL: then too it returns size-2.
        if (name.size() + 1 >= room) {
            const size_t keep = room - 1;
            std::memcpy(out + used, name.data(), keep);
            out[used + keep] = '\0';      // at size-2
            out[used + keep + 1] = '\0';  // at size-1
            return size - 2;
        }
        std::memcpy(out + used, name.data(), name.size());
        used += name.size();
        out[used++] = '\0';
    }
    out[used] = '\0';
    return static_cast<uint32_t>(used);
}

// A list that would start with its terminating NUL: there is none, it holds no names, or its
// first name is empty. Such a key list gives way to the default, copied as plain text.
bool ListStartsEmpty(const std::optional<Names>& names) {
    return !names || names->empty() || names->front().empty();
}

uint32_t ParseDecimal(std::string_view s) {
    s = TrimLeft(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // Unsigned arithmetic wraps modulo 2^32, which is the result wanted for any length.
    uint32_t number = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') break;
        number = number * 10u + static_cast<uint32_t>(c - '0');
    }
    return negative ? 0u - number : number;
}

std::string JoinPath(const std::string& directory, std::string_view name) {
    if (directory.empty()) return std::string(name);
    std::string path = directory;
    if (path.back() != '/') path.push_back('/');
    path.append(name);
    return path;
}

}  // namespace

std::string ResolveProfilePath(std::string_view fileName, const std::string& currentDirectory,
                               const std::string& windowsDirectory) {
    std::string name(fileName);
    const bool hasSeparator = name.find_first_of("/\\") != std::string::npos;
    std::replace(name.begin(), name.end(), '\\', '/');
    if (!hasSeparator) return JoinPath(windowsDirectory, name);
    if (name.front() == '/') return name;
    return JoinPath(currentDirectory, name);
}

uint32_t ProfileGetString(const std::string& hostPath, const char* section, const char* key,
                          const char* defaultValue, char* out, uint32_t size) {
    if (out == nullptr || size == 0) return 0;
    const std::string_view fallback = TrimTrailingSpaces(defaultValue ? defaultValue : "");
    const std::optional<std::string> text = ReadProfile(hostPath);

    // The default stands in for a missing key or key list, never for the list of sections.
    if (section == nullptr) return WriteList(text ? SectionNames(*text) : Names{}, out, size);
    if (key == nullptr) {
        const std::optional<Names> keys = text ? KeyNames(*text, section) : std::nullopt;
        return ListStartsEmpty(keys) ? CopyText(fallback, out, size) : WriteList(*keys, out, size);
    }
    const std::optional<std::string_view> value =
        text ? FindValue(*text, section, key) : std::nullopt;
    return CopyText(value ? Unquote(*value) : fallback, out, size);
}

uint32_t ProfileGetInt(const std::string& hostPath, const char* section, const char* key,
                       int32_t defaultValue) {
    const auto fallback = static_cast<uint32_t>(defaultValue);
    const std::optional<std::string> text = ReadProfile(hostPath);
    if (!text) return fallback;
    // A null section or key asks for a list, as it would of ProfileGetString; the number is read
    // from the list's first name, and a list that starts empty gives the default.
    if (section == nullptr || key == nullptr) {
        const std::optional<Names> names =
            section == nullptr ? std::optional<Names>(SectionNames(*text)) : KeyNames(*text, section);
        return ListStartsEmpty(names) ? fallback : ParseDecimal(names->front());
    }
    const std::optional<std::string_view> value = FindValue(*text, section, key);
    if (!value) return fallback;
    const std::string_view number = Unquote(*value);
    // An empty value gives the default. Windows makes no promise here; this is what Wine
    // does, and it keeps "Key=" from silently turning a setting off with 0.
    if (number.empty()) return fallback;
    return ParseDecimal(number);
}

}  // namespace tarquel::emu
