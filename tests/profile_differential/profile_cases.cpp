#include "tests/profile_differential/profile_cases.h"

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <random>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

namespace tarquel::profile_differential {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// The plug-ins' own calls: section, keys, defaults and buffer size as they pass them.
constexpr const char* kSection = "Settings";
constexpr uint32_t kPositionBuffer = 64;
constexpr const char* kXDefault = "89.000000";
constexpr const char* kYDefault = "1.000000";

constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

std::string Join(std::initializer_list<std::string> lines, std::string_view eol) {
    std::string text;
    for (const std::string& line : lines) text += line + std::string(eol);
    return text;
}

std::string CrLf(std::initializer_list<std::string> lines) {
    return Join(lines, "\r\n");
}

// Text as UTF-16 behind its byte-order mark.
std::string Utf16(std::u16string_view text, bool littleEndian) {
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
        const char lo = static_cast<char>(unit & 0xFF);
        const char hi = static_cast<char>(unit >> 8);
        bytes += littleEndian ? std::string{lo, hi} : std::string{hi, lo};
    }
    return bytes;
}

class CaseBuilder {
public:
    CaseBuilder(std::string name, std::string bytes, FileKind kind = FileKind::Bytes) {
        case_.name = std::move(name);
        case_.bytes = std::move(bytes);
        case_.kind = kind;
    }

    CaseBuilder& Str(Arg section, Arg key, Arg defaultValue, uint32_t size) {
        case_.queries.push_back(
            Query{StringQuery{std::move(section), std::move(key), std::move(defaultValue), size}, {}, {}});
        return *this;
    }
    CaseBuilder& Int(Arg section, Arg key, int32_t defaultValue) {
        case_.queries.push_back(Query{IntQuery{std::move(section), std::move(key), defaultValue}, {}, {}});
        return *this;
    }

    CaseBuilder& SwitchClockKey() { return Int(kSection, "SwitchClockKey", 33); }
    CaseBuilder& DisableKey() { return Int(kSection, "DisableKey", 123); }
    CaseBuilder& EnableAtStart() { return Int(kSection, "EnableAtStart", 1); }
    CaseBuilder& XCoord() { return Str(kSection, "XCoord", kXDefault, kPositionBuffer); }
    CaseBuilder& YCoord() { return Str(kSection, "YCoord", kYDefault, kPositionBuffer); }
    CaseBuilder& Plugins() { return SwitchClockKey().DisableKey().EnableAtStart().XCoord().YCoord(); }

    // The section names, and the key names of "Settings".
    CaseBuilder& Listings() {
        return Str(nullptr, nullptr, "no sections", 128).Str(kSection, nullptr, "no keys", 128);
    }

    // The query added last is one where Wine is known to answer otherwise.
    CaseBuilder& WineOnly(std::string reason) {
        case_.queries.back().wineOnly = std::move(reason);
        return *this;
    }

    // The file line the query added last reads, for messages.
    CaseBuilder& Reads(std::string line) {
        case_.queries.back().reads = std::move(line);
        return *this;
    }

    ProfileCase Take() { return std::move(case_); }

private:
    ProfileCase case_;
};

// Why the emulator answers otherwise than Wine does: behaviours only Wine is known to show.
const std::string kPrefixes =
    "Wine's GetPrivateProfileIntA reads C-style prefixes (0x hex, 0o octal, 0b binary); Windows reads "
    "decimal only and stops at the letter";
const std::string kNumberCut =
    "Wine's GetPrivateProfileIntA reads only the first 29 characters of a value; Windows wraps the "
    "whole number to 32 bits";
const std::string kControls =
    "Wine's GetPrivateProfileIntA skips any control character before the number; Windows skips "
    "whitespace only";
const std::string kBomRecognised =
    "Wine recognises a UTF-8 byte-order mark; Windows reads it as text of the first line, so the "
    "header behind it is not found";
const std::string kCommentKey =
    "Wine keeps a ';' comment line as a key, found by a lookup of the comment's text; on Windows a "
    "comment never matches a key";
const std::string kSpacesDefault =
    "Wine leaves the first character of a default made only of spaces; Windows removes every "
    "trailing space of a default";
const std::string kQuotedDefault =
    "Wine removes quotes around a default as around a value; Windows copies a default as given, "
    "less its trailing spaces";
const std::string kListDefault =
    "Wine copies the default of a key list with its trailing spaces; Windows removes them from "
    "every default";
const std::string kQuotedCut =
    "Wine cuts a quoted value to the buffer before removing its quotes, so one that just fits loses "
    "its last character; Windows removes the quotes, then cuts";
const std::string kCutList =
    "Wine ends a list cut short with one NUL and leaves the buffer's last byte alone; Windows "
    "documents two NULs at the end of a cut list";
const std::string kLongNames =
    "Wine keeps a name's length in 16 bits, so a section or key name of 32767 characters or more "
    "is never found (GetPrivateProfileIntA even crashes on most such lengths); no Windows "
    "behaviour says so, and the emulator compares names of any length";
const std::string kOrphanKeys =
    "Wine files the keys above the first header under an unnamed section that the section name \"\" "
    "finds; no Windows behaviour says so, and the emulator keeps them out of every section";

struct LineEnding {
    const char* suffix;
    const char* text;
};
constexpr LineEnding kLineEndings[] = {{"crlf", "\r\n"}, {"lf", "\n"}, {"cr", "\r"}};

// Cases made of ordinary lines: each is run with every line ending, which must not matter.
void AddLineCases(std::vector<ProfileCase>& cases, const LineEnding& eol) {
    const auto name = [&](const char* base) { return std::string(base) + "_" + eol.suffix; };
    const auto lines = [&](std::initializer_list<std::string> text) { return Join(text, eol.text); };

    // A complete, ordinary file.
    cases.push_back(CaseBuilder(name("plugin_file"),
                                lines({"; Tarquel settings", "[Settings]", "SwitchClockKey=34", "DisableKey=100",
                                       "EnableAtStart=0", "XCoord=50", "YCoord=2.5"}))
                        .Plugins()
                        .Listings()
                        .Take());

    // Keys missing from a section that is there, and a section that is not.
    cases.push_back(CaseBuilder(name("missing_keys"), lines({"[Settings]", "XCoord=12", "[Other]", "YCoord=3"}))
                        .Plugins()
                        .Str("Other", "YCoord", kYDefault, kPositionBuffer)
                        .Str("Absent", "XCoord", kXDefault, kPositionBuffer)
                        .Int("Absent", "SwitchClockKey", -1)
                        .Take());

    // Headers: trimmed, text after ']' ignored, the name runs to the last ']', no header
    // without ']'.
    cases.push_back(CaseBuilder(name("section_headers"),
                                lines({"[ Settings ] text after the bracket", "XCoord=50", "[Open", "YCoord=7",
                                       "[a]b] trailing", "Key=ab", "\t [Indented]", "Key=indented"}))
                        .XCoord()
                        .YCoord()
                        .Str("a]b", "Key", "dflt", 64)
                        .Str("a", "Key", "dflt", 64)
                        .Str("Open", "YCoord", "dflt", 64)
                        .Str("Indented", "Key", "dflt", 64)
                        .Str(nullptr, nullptr, "", 128)
                        .Take());

    // Names compare without regard to case.
    cases.push_back(CaseBuilder(name("name_case"), lines({"[sETTINGS]", "switchclockkey=40", "XCOORD=5", "yCoOrD=6"}))
                        .Plugins()
                        .Str("SETTINGS", "xcoord", "dflt", 64)
                        .Take());

    // Whitespace around names, around '=' and at the end of a value is dropped, inner kept.
    cases.push_back(CaseBuilder(name("whitespace"),
                                lines({" \t[Settings]  ", "  XCoord \t=  5 0 \t ", "\tYCoord=\t7",
                                       "SwitchClockKey =  \t 44", "  DisableKey=  -5  ", "Inner Name = x"}))
                        .Plugins()
                        .Str(kSection, "Inner Name", "dflt", 64)
                        .Str(kSection, "InnerName", "dflt", 64)
                        .Take());

    // ';' starts a comment only at the start of a line; '#' is ordinary text.
    cases.push_back(CaseBuilder(name("comments"),
                                lines({"[Settings]", ";XCoord=1", "  ;YCoord=2", "#SwitchClockKey=3",
                                       "XCoord=50 ; right", "DisableKey=12 # note", "EnableAtStart=0;off",
                                       ";[Commented]", "Later=1"}))
                        .Plugins()
                        .Str(kSection, ";XCoord", "dflt", 64)
                        .WineOnly(kCommentKey)
                        .Str(kSection, "#SwitchClockKey", "dflt", 64)
                        .Int(kSection, "#SwitchClockKey", 7)
                        .Str(kSection, "Later", "dflt", 64)
                        .Listings()
                        .Take());

    // A line without '=' is no key.
    cases.push_back(CaseBuilder(name("no_equals"),
                                lines({"[Settings]", "XCoord", "YCoord 7", "SwitchClockKey", "DisableKey=5"}))
                        .Plugins()
                        .Listings()
                        .Take());

    // Only the first section of a name is searched, and in it the first key of a name wins.
    cases.push_back(CaseBuilder(name("duplicates"),
                                lines({"[Settings]", "XCoord=1", "xcoord=2", "DisableKey=10", "DISABLEKEY=11",
                                       "[Other]", "YCoord=9", "[settings]", "YCoord=3", "XCoord=4",
                                       "SwitchClockKey=50"}))
                        .Plugins()
                        .Listings()
                        .Take());

    // One pair of matching quotes around a value goes.
    cases.push_back(CaseBuilder(name("quotes"),
                                lines({"[Settings]", R"(XCoord="50")", "YCoord='1.5'", R"(SwitchClockKey="40")",
                                       "DisableKey='-1'", R"(EnableAtStart="0)", R"(A="")", "B=''", R"(C=")",
                                       R"(D="a')", R"(E=" a b ")", R"(F=""x"")", R"(G=a"b")", R"(H=  "x"  )"}))
                        .Plugins()
                        .Str(kSection, "A", "dflt", 64)
                        .Str(kSection, "B", "dflt", 64)
                        .Str(kSection, "C", "dflt", 64)
                        .Str(kSection, "D", "dflt", 64)
                        .Str(kSection, "E", "dflt", 64)
                        .Str(kSection, "F", "dflt", 64)
                        .Str(kSection, "G", "dflt", 64)
                        .Str(kSection, "H", "dflt", 64)
                        .Take());

    // A key that is there with an empty value is not a missing key.
    cases.push_back(CaseBuilder(name("empty_values"),
                                lines({"[Settings]", "XCoord=", "YCoord=   ", "SwitchClockKey=", R"(DisableKey="")",
                                       "EnableAtStart=  "}))
                        .Plugins()
                        .Str(kSection, "SwitchClockKey", "dflt", 64)
                        .Str(kSection, "DisableKey", "dflt", 64)
                        .Take());
}

void AddDefaultCases(std::vector<ProfileCase>& cases) {
    // The default comes back with its trailing spaces removed, and nothing else changed.
    cases.push_back(CaseBuilder("defaults", CrLf({"[Settings]", "Other=1"}))
                        .Str(kSection, "XCoord", "89.000000   ", 64)
                        .Str(kSection, "XCoord", "  a  b  ", 64)
                        .Str(kSection, "XCoord", "    ", 64)
                        .WineOnly(kSpacesDefault)
                        .Str(kSection, "XCoord", "", 64)
                        .Str(kSection, "XCoord", nullptr, 64)
                        .Str(kSection, "XCoord", R"("q")", 64)
                        .WineOnly(kQuotedDefault)
                        .Str(kSection, "XCoord", R"(  "q")", 64)
                        .Str(kSection, "XCoord", "tab\t", 64)
                        .Str(kSection, "", "empty key name", 64)
                        .Str("", "Other", "empty section name", 64)
                        .Str("Missing", nullptr, "no keys  ", 64)
                        .WineOnly(kListDefault)
                        .Int(kSection, "XCoord", -1)
                        .Int(kSection, "XCoord", INT32_MIN)
                        .Take());

    // A result longer than the buffer is cut to size-1 characters and a NUL.
    CaseBuilder truncation("truncation", CrLf({"[Settings]", "XCoord=123456789", R"(Quoted="abcdef")",
                                               "[Second]", "[Third]"}));
    for (const uint32_t size : {0u, 1u, 2u, 9u, 10u, 11u, 64u}) truncation.Str(kSection, "XCoord", kXDefault, size);
    for (const uint32_t size : {4u, 6u, 7u, 8u}) {
        truncation.Str(kSection, "Quoted", kXDefault, size);
        if (size == 7) truncation.WineOnly(kQuotedCut);
    }
    for (const uint32_t size : {0u, 1u, 5u, 9u, 10u}) truncation.Str(kSection, "Missing", kXDefault, size);
    // "XCoord\0Quoted\0" and the final NUL: 15 bytes. Windows calls a list cut short when
    // only its final NUL would land on the last byte, too.
    for (const uint32_t size : {0u, 1u, 2u, 3u, 8u, 13u, 14u, 15u, 16u}) {
        truncation.Str(kSection, nullptr, "", size);
        if (size >= 2 && size <= 15) truncation.WineOnly(kCutList);
    }
    // "Settings\0Second\0Third\0" and the final NUL: 23 bytes.
    for (const uint32_t size : {2u, 5u, 22u, 23u, 24u}) {
        truncation.Str(nullptr, nullptr, "", size);
        if (size <= 23) truncation.WineOnly(kCutList);
    }
    // The default of a missing key list is plain text, cut as a value is.
    for (const uint32_t size : {2u, 4u, 5u, 6u}) truncation.Str("Missing", nullptr, "dflt", size);
    cases.push_back(truncation.Take());

    // What a list holds: every header and key line as it stands, repeated names too.
    cases.push_back(CaseBuilder("listings", CrLf({"[Settings]", "A=1", "=nameless", "B=2", "a=again", "Bare", ";C=1",
                                                  "[]", "E=empty", "[ ]", "[Empty]", "[settings]", "C=3",
                                                  "[Nameless]", "=v", "K=1", "[Numbered]", "42=x", "7=y"}))
                        .Str(nullptr, nullptr, "", 128)
                        .Str(kSection, nullptr, "dflt", 128)
                        .Str("Empty", nullptr, "dflt", 128)
                        .Str("Nameless", nullptr, "dflt", 128)
                        .Str("Numbered", nullptr, "dflt", 128)
                        .Str("", nullptr, "dflt", 128)
                        .Str("Nameless", "", "dflt", 64)
                        .Str(kSection, "", "dflt", 64)
                        .Str("", "E", "dflt", 64)
                        // A null section or key reads the number from the first listed name.
                        .Int(nullptr, nullptr, 7)
                        .Int(nullptr, "A", 7)
                        .Int(kSection, nullptr, 7)
                        .Int("Numbered", nullptr, 7)
                        .Int("Empty", nullptr, 7)
                        .Int("Nameless", nullptr, 7)
                        .Int("Missing", nullptr, 7)
                        .Int("Nameless", "", 7)
                        .Take());
}

void AddIntegerCases(std::vector<ProfileCase>& cases) {
    struct Value {
        std::string text;
        std::string wineOnly;
    };
    const std::string hugePlus7 = "1" + std::string(198, '0') + "7";  // 200 digits
    const Value values[] = {
        {"0", {}},           {"42", {}},          {"+42", {}},         {"007", {}},
        {"-1", {}},          {"42A9", {}},        {"102abc", {}},      {"12 ; note", {}},
        {"1 000", {}},       {"abc", {}},         {"-", {}},           {"+", {}},
        {"- 5", {}},         {"+-5", {}},         {"0x10", kPrefixes}, {"0X10", {}},
        {"0x", {}},          {"-0x10", kPrefixes}, {"0b101", kPrefixes}, {"0o17", kPrefixes},
        {"4294967295", {}},  {"4294967296", {}},  {"4294967297", {}},  {"-2147483648", {}},
        {"-4294967295", {}}, {"99999999999", {}}, {"99999999999999999999", {}}, {hugePlus7, kNumberCut},
        {"-" + hugePlus7, kNumberCut}, {std::string(28, '0') + "12", kNumberCut}, {std::string(27, '0') + "12", {}},
        {R"("12")", {}},     {"'-3'", {}},        {R"("  -5x")", {}},  {R"(" ")", {}},
        {"\x01" "5", kControls}, {"\x7F" "5", {}},
    };
    // One key per value, named by its index: names that hold the value would clash, as
    // "0x10" and "0X10" are the same name.
    std::string text = "[Settings]\r\n";
    for (size_t i = 0; i < std::size(values); ++i) text += "K" + std::to_string(i) + "=" + values[i].text + "\r\n";
    CaseBuilder integers("integers", text);
    for (size_t i = 0; i < std::size(values); ++i) {
        const std::string key = "K" + std::to_string(i);
        integers.Int(kSection, key, 777).Reads(key + "=" + values[i].text);
        if (!values[i].wineOnly.empty()) integers.WineOnly(values[i].wineOnly);
    }
    cases.push_back(integers.Take());

    // Hot-key codes the plug-ins may meet: only 0 to 254 can fire.
    struct KeyCode {
        const char* label;
        Value value;
    };
    const KeyCode keyCodes[] = {
        {"minus_1", {"-1", {}}},
        {"255", {"255", {}}},
        {"4294967295", {"4294967295", {}}},
        {"4294967296", {"4294967296", {}}},
        {"99999999999", {"99999999999", {}}},
        {"hex_1F", {"0x1F", kPrefixes}},
    };
    for (const auto& [label, code] : keyCodes) {
        CaseBuilder keyCase(std::string("key_code_") + label,
                            CrLf({"[Settings]", "SwitchClockKey=" + code.text, "DisableKey=" + code.text,
                                  "EnableAtStart=" + code.text}));
        for (CaseBuilder& (CaseBuilder::*query)() :
             {&CaseBuilder::SwitchClockKey, &CaseBuilder::DisableKey, &CaseBuilder::EnableAtStart}) {
            (keyCase.*query)();
            if (!code.wineOnly.empty()) keyCase.WineOnly(code.wineOnly);
        }
        cases.push_back(keyCase.Take());
    }

    // Positions are read as text: whatever is there comes back as it is.
    const std::pair<const char*, std::string> positions[] = {
        {"1e309", "1e309"}, {"minus_1e309", "-1e309"}, {"nan", "nan"},         {"inf", "inf"},
        {"minus_0", "-0"},  {"hex_10", "0x10"},         {"lone_minus", "-"},    {"200_digits", std::string(200, '9')},
    };
    for (const auto& [label, position] : positions) {
        cases.push_back(CaseBuilder(std::string("position_") + label,
                                    CrLf({"[Settings]", "XCoord=" + position, "YCoord=" + position}))
                            .XCoord()
                            .YCoord()
                            .Take());
    }
}

void AddHostileCases(std::vector<ProfileCase>& cases) {
    cases.push_back(CaseBuilder("missing_file", "", FileKind::Missing)
                        .Plugins()
                        .Listings()
                        .Str(kSection, nullptr, nullptr, 64)
                        .Int(nullptr, nullptr, 7)
                        .Int(kSection, nullptr, 7)
                        .Take());
    cases.push_back(CaseBuilder("directory", "", FileKind::Directory)
                        .Plugins()
                        .Listings()
                        .Int(nullptr, nullptr, 7)
                        .Take());
    cases.push_back(CaseBuilder("empty_file", "").Plugins().Listings().Take());

    // Keys before any section header belong to no section.
    cases.push_back(CaseBuilder("no_section", CrLf({"SwitchClockKey=40", "XCoord=50"}))
                        .Plugins()
                        .Listings()
                        .Str("", "XCoord", "dflt", 64)
                        .WineOnly(kOrphanKeys)
                        .Int("", "SwitchClockKey", 7)
                        .WineOnly(kOrphanKeys)
                        .Take());
    cases.push_back(CaseBuilder("keys_before_section", CrLf({"XCoord=50", "[Settings]", "YCoord=3"}))
                        .XCoord()
                        .YCoord()
                        .Str(nullptr, nullptr, "", 64)
                        .Take());

    // Line endings mixed in one file, and a last line without one.
    cases.push_back(CaseBuilder("mixed_line_endings", "[Settings]\r\nXCoord=50\rYCoord=7\nSwitchClockKey=40\r\n"s)
                        .Plugins()
                        .Take());
    cases.push_back(CaseBuilder("no_final_line_end", "[Settings]\r\nXCoord=50").XCoord().Take());

    // Bytes that are not ASCII text.
    std::string high;
    for (int c = 0x80; c <= 0xFF; ++c) high.push_back(static_cast<char>(c));
    std::string control;
    for (int c = 0x01; c < 0x20; ++c) {
        if (c != '\r' && c != '\n') control.push_back(static_cast<char>(c));
    }
    cases.push_back(CaseBuilder("binary_bytes", "[Settings]\r\nXCoord=" + high + "\r\nYCoord=" + control +
                                                    "\r\nSwitchClockKey=\x01" "5\r\nDisableKey=5\x1A\r\n"
                                                    "K\xE9y=accented\r\n\x7F\x01=odd\r\n")
                        .SwitchClockKey()
                        .WineOnly(kControls)
                        .DisableKey()
                        .EnableAtStart()
                        .XCoord()
                        .YCoord()
                        .Str(kSection, "XCoord", "dflt", 200)
                        .Str(kSection, "K\xE9y", "dflt", 64)
                        .Str(kSection, "K\xC9Y", "dflt", 64)
                        .Str(kSection, "\x7F\x01", "dflt", 64)
                        .Str(kSection, nullptr, "", 64)
                        .Take());

    cases.push_back(CaseBuilder("nul_bytes", "[Settings]\r\nXCoord=5\0" "7\r\nYCoord=1\0\r\nSwitchClockKey=4\0" "2\r\n"
                                             "Disable\0Key=9\r\nDisableKey=8\r\n\0\0\r\n[Oth\0er]\r\nA=1\r\n"
                                             "EnableAtStart=0\0"s)
                        .Plugins()
                        .Listings()
                        .Str("Oth", "A", "dflt", 64)
                        .Take());

    // A 1 MiB line before the section, and 1 MiB values.
    const std::string mib(1 << 20, '7');
    cases.push_back(CaseBuilder("one_mib_lines", CrLf({"junk" + mib, "[Settings]", "XCoord=" + mib, "YCoord=2",
                                                       "SwitchClockKey=" + mib + "1", "DisableKey=5"}))
                        .SwitchClockKey()
                        .WineOnly(kNumberCut)
                        .DisableKey()
                        .EnableAtStart()
                        .XCoord()
                        .YCoord()
                        .Take());

    // Names far longer than any real one: 32000 characters, which Wine still handles, and
    // 70000.
    for (const size_t length : {32000u, 70000u}) {
        const std::string key(length, 'K');
        const std::string section(length, 'S');
        const std::string wineOnly = length < 32767 ? std::string() : kLongNames;
        CaseBuilder longNames("long_names_" + std::to_string(length),
                              CrLf({"[Settings]", key + "=5", "XCoord=50", "[" + section + "]", "A=1"}));
        longNames.Int(kSection, key, 7).WineOnly(wineOnly);
        longNames.Str(kSection, key, "dflt", 64).WineOnly(wineOnly);
        longNames.Str(kSection, std::string(length, 'k'), "dflt", 64).WineOnly(wineOnly);
        longNames.Str(kSection, std::string(length - 1, 'K'), "dflt", 64);
        longNames.XCoord();
        longNames.Str(section, "A", "dflt", 64).WineOnly(wineOnly);
        longNames.Str(nullptr, nullptr, "", 128).WineOnly(kCutList);
        longNames.Str(kSection, nullptr, "", 128).WineOnly(kCutList);
        cases.push_back(longNames.Take());
    }

    // Byte-order marks.
    cases.push_back(CaseBuilder("utf8_bom", kUtf8Bom + CrLf({"[Settings]", "XCoord=50", "SwitchClockKey=40",
                                                                        "[Other]", "XCoord=60"}))
                        .SwitchClockKey()
                        .WineOnly(kBomRecognised)
                        .XCoord()
                        .WineOnly(kBomRecognised)
                        .Str("Other", "XCoord", "dflt", 64)
                        .Str(nullptr, nullptr, "", 64)
                        .WineOnly(kBomRecognised)
                        .Take());
    cases.push_back(CaseBuilder("utf8_bom_blank_first_line", kUtf8Bom + CrLf({"", "[Settings]", "XCoord=50"}))
                        .XCoord()
                        .Take());
    // Narrowed to the ANSI code page, here Windows-1252: what it lacks becomes '?'.
    const std::u16string utf16 =
        u"[Settings]\r\nSwitchClockKey=40\r\nXCoord=50\r\n"
        u"YCoord=Caf\u00E9 \u20AC\u0152\u2019\u0081\u00A0\u00FF \u4E2D \U0001F600!\r\n";
    for (const bool little : {true, false}) {
        cases.push_back(CaseBuilder(little ? "utf16le_bom" : "utf16be_bom", Utf16(utf16, little))
                            .Plugins()
                            .Listings()
                            .Take());
    }
}

std::vector<ProfileCase> BuildCases() {
    std::vector<ProfileCase> cases;
    for (const LineEnding& eol : kLineEndings) AddLineCases(cases, eol);
    AddDefaultCases(cases);
    AddIntegerCases(cases);
    AddHostileCases(cases);
    return cases;
}

std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0xF]);
    }
    return hex;
}

std::string Quote(const Arg& arg) {
    if (!arg.value()) return "null";
    const std::string& text = *arg.value();
    constexpr size_t kShown = 24;
    std::string shown = "\"";
    for (size_t i = 0; i < text.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown.push_back(static_cast<char>(c));
        }
    }
    shown += "\"";
    if (text.size() > kShown) shown += "...(" + std::to_string(text.size()) + " chars)";
    return shown;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

fs::path MakeFreshDirectory(const fs::path& parent) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path path = parent / ("tarquel_profile_differential." + std::to_string(random()));
        if (fs::create_directory(path)) return path;
    }
    throw std::runtime_error("cannot make a scratch directory in " + parent.string());
}

std::string RunQuery(const Reader& reader, const std::string& fileName, const Query& query) {
    if (const auto* call = std::get_if<StringQuery>(&query.call)) {
        std::string buffer(call->bufferSize + kGuardBytes, static_cast<char>(kSentinel));
        const uint32_t ret = reader.getString(call->section.get(), call->key.get(), call->defaultValue.get(),
                                              buffer.data(), call->bufferSize, fileName.c_str());
        return std::to_string(ret) + "\t" + Hex(buffer);
    }
    const auto& call = std::get<IntQuery>(query.call);
    const uint32_t ret = reader.getInt(call.section.get(), call.key.get(), call.defaultValue, fileName.c_str());
    return std::to_string(ret) + "\t";
}

}  // namespace

const std::vector<ProfileCase>& Cases() {
    static const std::vector<ProfileCase> cases = BuildCases();
    return cases;
}

std::vector<KnownDifference> KnownDifferences() {
    std::vector<KnownDifference> known;
    for (const ProfileCase& profileCase : Cases()) {
        for (size_t i = 0; i < profileCase.queries.size(); ++i) {
            const Query& query = profileCase.queries[i];
            if (!query.wineOnly.empty()) known.push_back({profileCase.name, i, query.wineOnly});
        }
    }
    return known;
}

std::string ProfileFileName(const ProfileCase& profileCase) {
    return "./asi/" + profileCase.name + ".ini";
}

std::string Describe(const Query& query) {
    std::string described;
    if (const auto* call = std::get_if<StringQuery>(&query.call)) {
        described = "GetPrivateProfileStringA(" + Quote(call->section) + ", " + Quote(call->key) + ", " +
                    Quote(call->defaultValue) + ", size " + std::to_string(call->bufferSize) + ")";
    } else {
        const auto& intCall = std::get<IntQuery>(query.call);
        described = "GetPrivateProfileIntA(" + Quote(intCall.section) + ", " + Quote(intCall.key) + ", " +
                    std::to_string(intCall.defaultValue) + ")";
    }
    if (!query.reads.empty()) described += " on " + Quote(query.reads);
    return described;
}

std::vector<std::string> RunCases(const Reader& reader, const fs::path& scratchParent) {
    const fs::path root = MakeFreshDirectory(scratchParent);
    std::vector<std::string> lines;
    for (const ProfileCase& profileCase : Cases()) {
        const fs::path directory = root / profileCase.name;
        const fs::path file = directory / "asi" / (profileCase.name + ".ini");
        fs::create_directories(file.parent_path());
        if (profileCase.kind == FileKind::Bytes) WriteFile(file, profileCase.bytes);
        if (profileCase.kind == FileKind::Directory) fs::create_directory(file);

        reader.enterDirectory(directory);
        const std::string fileName = ProfileFileName(profileCase);
        for (size_t i = 0; i < profileCase.queries.size(); ++i) {
            lines.push_back(profileCase.name + "\t" + std::to_string(i) + "\t" +
                            RunQuery(reader, fileName, profileCase.queries[i]));
        }
        // A directory cannot be removed while it is the current one.
        reader.enterDirectory(root);
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }
    reader.enterDirectory(scratchParent);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return lines;
}

}  // namespace tarquel::profile_differential
