// Conformance tests for the emulator's settings-file reader: each behaviour is a table of
// cases run over files written with CRLF, LF and CR line endings, and every output buffer
// starts filled with a sentinel so that what a call wrote, and what it left alone, shows.

#include "host_emulator/profile_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using tarquel::emu::ProfileGetInt;
using tarquel::emu::ProfileGetString;
using tarquel::emu::ResolveProfilePath;

constexpr char kSentinel = '\xCC';
// Bytes past the size handed to the call, to catch writes beyond the buffer.
constexpr uint32_t kGuard = 16;
constexpr uint32_t kBig = 256;

// Renders bytes readably: NUL as \0, other unprintables as \xNN, runs of sentinel collapsed.
std::string Show(std::string_view bytes) {
    std::string shown;
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (bytes[i] == kSentinel) {
            size_t run = 0;
            while (i < bytes.size() && bytes[i] == kSentinel) ++run, ++i;
            shown += "<CC x" + std::to_string(run) + ">";
            continue;
        }
        if (c == 0) {
            shown += "\\0";
        } else if (c == '\\') {
            shown += "\\\\";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        } else {
            shown += static_cast<char>(c);
        }
        ++i;
    }
    return shown;
}

struct StringCall {
    uint32_t ret;
    std::string buffer;  // size + kGuard bytes as the call left them
};

StringCall GetString(const std::string& path, const char* section, const char* key,
                     const char* defaultValue, uint32_t size) {
    std::string buffer(size + kGuard, kSentinel);
    const uint32_t ret = ProfileGetString(path, section, key, defaultValue, buffer.data(), size);
    return {ret, buffer};
}

// The call must have written exactly `written` at the start and nothing else.
void ExpectBuffer(const StringCall& call, std::string_view written) {
    std::string expected(written);
    expected.resize(call.buffer.size(), kSentinel);
    EXPECT_EQ(Show(expected), Show(call.buffer)) << "buffer as written (sentinel = CC)";
}

void ExpectString(const StringCall& call, std::string_view written, uint32_t ret) {
    EXPECT_EQ(ret, call.ret) << "return value";
    ExpectBuffer(call, written);
}

class TempDir {
public:
    TempDir() {
        std::random_device random;
        for (;;) {
            path_ = fs::temp_directory_path() / ("profile_reader_test." + std::to_string(random()));
            if (fs::create_directory(path_)) break;
        }
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string WriteBytes(const fs::path& path, std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    EXPECT_TRUE(out) << "could not write " << path;
    return path.string();
}

struct LineEnding {
    const char* name;
    const char* text;
};

class ProfileReaderTest : public ::testing::TestWithParam<LineEnding> {
protected:
    std::string Eol() const { return GetParam().text; }

    // Each line, the last one too, ended with the line ending under test.
    std::string Join(const std::vector<std::string>& lines) const {
        std::string text;
        for (const std::string& line : lines) text += line + Eol();
        return text;
    }

    std::string Write(const std::string& name, const std::vector<std::string>& lines) {
        return WriteBytes(dir_.path() / name, Join(lines));
    }

    std::string Missing() const { return (dir_.path() / "missing.ini").string(); }

    TempDir dir_;
};

INSTANTIATE_TEST_SUITE_P(LineEndings, ProfileReaderTest,
                         ::testing::Values(LineEnding{"CRLF", "\r\n"}, LineEnding{"LF", "\n"},
                                           LineEnding{"CR", "\r"}),
                         [](const ::testing::TestParamInfo<LineEnding>& info) {
                             return std::string(info.param.name);
                         });

constexpr const char* kDefault = "<default>";

TEST_P(ProfileReaderTest, ReadsLinesAsWindowsDoes) {
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"plain key", {"[S]", "Key=value"}, "S", "Key", "value"},
        {"whitespace around name, '=' and value end dropped, inner kept",
         {"[S]", "  Key \t=  a b  c \t "}, "S", "Key", "a b  c"},
        {"leading whitespace before a header", {" \t[S]", "Key=v"}, "S", "Key", "v"},
        {"header name trimmed", {"[  S  ]", "Key=v"}, "S", "Key", "v"},
        {"text after ']' ignored", {"[S] ; old name", "Key=v"}, "S", "Key", "v"},
        {"header runs to the last ']'", {"[a]b]", "Key=v"}, "a]b", "Key", "v"},
        {"not cut at the first ']'", {"[a]b]", "Key=v"}, "a", "Key", kDefault},
        {"'[' without ']' is an ordinary key line", {"[S]", "[Key=v"}, "S", "[Key", "v"},
        {"'[' without ']' opens no section", {"[S]", "[T", "Key=v"}, "S", "Key", "v"},
        {"'[' without ']' is no section name", {"[S]", "[T", "Key=v"}, "T", "Key", kDefault},
        {"first '=' splits", {"[S]", "Key = a = b"}, "S", "Key", "a = b"},
        {"comment never matches", {"[S]", ";Key=v"}, "S", "Key", kDefault},
        {"indented comment never matches", {"[S]", "  ;Key=v"}, "S", ";Key", kDefault},
        {"'#' is ordinary text", {"[S]", "#Key=v"}, "S", "#Key", "v"},
        {"'#' does not comment a line out", {"[S]", "#Key=v", "Key=w"}, "S", "Key", "w"},
        {"no inline comments", {"[S]", "XCoord=50 ; right"}, "S", "XCoord", "50 ; right"},
        {"line without '=' is not a key", {"[S]", "Key"}, "S", "Key", kDefault},
        {"line without '=' hides no later key", {"[S]", "Key", "Key=v"}, "S", "Key", "v"},
        {"key before any section not found", {"Key=v", "[S]"}, "S", "Key", kDefault},
        {"key before any section not found under ''", {"Key=v", "[S]"}, "", "Key", kDefault},
        {"empty key name finds a nameless key", {"[S]", "=v"}, "S", "", "v"},
        {"empty key name finds no other key", {"[S]", "Key=v"}, "S", "", kDefault},
        {"section names ignore case", {"[Settings]", "XCoord=5"}, "sETTINGS", "XCoord", "5"},
        {"key names ignore case", {"[S]", "XCoord=5"}, "S", "xcoord", "5"},
        {"only the first of duplicate sections", {"[S]", "A=1", "[s]", "A=2"}, "S", "A", "1"},
        {"second duplicate section not searched", {"[S]", "A=1", "[S]", "B=2"}, "S", "B",
         kDefault},
        {"first duplicate key wins", {"[S]", "A=1", "a=2"}, "S", "A", "1"},
        {"key of the next section not found", {"[S]", "[T]", "A=1"}, "S", "A", kDefault},
        {"missing section", {"[S]", "A=1"}, "T", "A", kDefault},
        {"blank lines inside a section", {"[S]", "", " \t ", "A=1"}, "S", "A", "1"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "case " << i << ": " << c.what);
        const std::string path = Write("case" + std::to_string(i) + ".ini", c.lines);
        ExpectString(GetString(path, c.section, c.key, kDefault, kBig),
                     std::string(c.expected) + '\0', static_cast<uint32_t>(strlen(c.expected)));
    }
}

TEST_P(ProfileReaderTest, LastLineNeedsNoLineEnd) {
    const std::string path = WriteBytes(dir_.path() / "x.ini", "[S]" + Eol() + "A=1");
    ExpectString(GetString(path, "S", "A", kDefault, kBig), "1\0"s, 1);
}

TEST_P(ProfileReaderTest, StripsOnePairOfMatchingQuotes) {
    struct Case {
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {R"("abc")", "abc"},     {"'abc'", "abc"},      {R"("")", ""},
        {"''", ""},              {R"(")", R"(")"},      {"'", "'"},
        {R"("abc)", R"("abc)"},  {R"(abc")", R"(abc")"}, {R"("abc')", R"("abc')"},
        {R"(" a  b ")", " a  b "}, {R"("a"b")", R"(a"b)"}, {R"(""abc"")", R"("abc")"},
        {R"(  "x"  )", "x"},     {R"(a"b"c)", R"(a"b"c)"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "case " << i << ": Key=" << c.value);
        const std::string path = Write("case" + std::to_string(i) + ".ini", {"[S]", "Key=" + c.value});
        ExpectString(GetString(path, "S", "Key", kDefault, kBig), c.expected + '\0',
                     static_cast<uint32_t>(c.expected.size()));
    }
}

TEST_P(ProfileReaderTest, EmptyValueIsNotAMissingKey) {
    struct Case {
        const char* what;
        std::string line;
        const char* key;
        const char* defaultValue;
        std::string expected;
    };
    const Case cases[] = {
        {"empty value", "Key=", "Key", "dflt", ""},
        {"value of blanks only", "Key=  \t", "Key", "dflt", ""},
        {"empty quotes", R"(Key="")", "Key", "dflt", ""},
        {"missing key", "Other=1", "Key", "dflt", "dflt"},
        {"default loses trailing spaces", "Other=1", "Key", "dflt   ", "dflt"},
        {"default keeps leading and inner spaces", "Other=1", "Key", "  a  b  ", "  a  b"},
        {"default of spaces only", "Other=1", "Key", "    ", ""},
        {"null default", "Other=1", "Key", nullptr, ""},
        {"default keeps its quotes", "Other=1", "Key", R"("q")", R"("q")"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "case " << i << ": " << c.what);
        const std::string path = Write("case" + std::to_string(i) + ".ini", {"[S]", c.line});
        ExpectString(GetString(path, "S", c.key, c.defaultValue, kBig), c.expected + '\0',
                     static_cast<uint32_t>(c.expected.size()));
    }
}

TEST_P(ProfileReaderTest, CutsValueToBuffer) {
    const std::string path = Write("x.ini", {"[S]", "Plain=abcdef", R"(Quoted="abcdef")"});
    struct Case {
        const char* key;
        uint32_t size;
        std::string written;
        uint32_t ret;
    };
    const Case cases[] = {
        {"Plain", 0, "", 0},
        {"Plain", 1, "\0"s, 0},
        {"Plain", 2, "a\0"s, 1},
        {"Plain", 6, "abcde\0"s, 5},
        {"Plain", 7, "abcdef\0"s, 6},  // exact fit
        {"Plain", kBig, "abcdef\0"s, 6},
        {"Quoted", 7, "abcdef\0"s, 6},  // quotes go before the cut
        {"Quoted", 4, "abc\0"s, 3},
        {"Missing", 3, "<d\0"s, 2},  // the default is cut alike
        {"Missing", 1, "\0"s, 0},
        {"Missing", 0, "", 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "case " << i << ": key " << c.key << ", size " << c.size);
        ExpectString(GetString(path, "S", c.key, kDefault, c.size), c.written, c.ret);
    }
    EXPECT_EQ(0u, ProfileGetString(path, "S", "Plain", kDefault, nullptr, kBig)) << "null buffer";
}

TEST_P(ProfileReaderTest, ListsKeysOfASection) {
    const std::string path = Write("x.ini", {"[S]", "First=1", ";Comment=2", "Bare", "  second = 2",
                                             "FIRST=again", "=nameless", "Third=", "[Empty]", "[T]",
                                             "Other=1", "[s]", "Late=1", "[Nameless]", "=v", "Key=1"});
    // Every key line is listed as it stands, a repeated name and an empty one too.
    const std::string full = "First\0second\0FIRST\0\0Third\0\0"s;  // 26 bytes before the final NUL
    struct Case {
        const char* section;
        const char* defaultValue;
        uint32_t size;
        std::string written;
        uint32_t ret;
    };
    const Case cases[] = {
        {"S", kDefault, kBig, full, 26},
        {"s", kDefault, kBig, full, 26},
        {"S", kDefault, 28, full, 26},  // one byte to spare
        {"S", kDefault, 27, full, 25},  // just fits: Windows still calls it cut
        {"S", kDefault, 26, "First\0second\0FIRST\0\0Thir\0\0"s, 24},
        {"S", kDefault, 16, "First\0second\0F\0\0"s, 14},
        {"S", kDefault, 14, "First\0second\0\0"s, 12},  // a middle name just fits
        {"S", kDefault, 3, "F\0\0"s, 1},
        {"S", kDefault, 2, "\0\0"s, 0},
        {"S", kDefault, 1, "\0"s, 0},
        {"S", kDefault, 0, "", 0},
        // A list that would start with its final NUL gives way to the default, as plain text.
        {"Empty", kDefault, kBig, "<default>\0"s, 9},
        {"Nameless", kDefault, kBig, "<default>\0"s, 9},
        {"Missing", "dflt  ", kBig, "dflt\0"s, 4},
        {"Missing", "dflt", 4, "dfl\0"s, 3},
        {"Missing", nullptr, kBig, "\0"s, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "case " << i << ": section " << c.section << ", size "
                                          << c.size);
        ExpectString(GetString(path, c.section, nullptr, c.defaultValue, c.size), c.written, c.ret);
    }
}

TEST_P(ProfileReaderTest, ListsSectionNames) {
    const std::string listed = Write("listed.ini", {"Loose=1", "[One]", "A=1", "[ Two ]", "[one]", "[]",
                                                    "[Three] trailing", "[Broken"});
    const std::string none = Write("none.ini", {"Loose=1", ";[Commented]"});
    // Every header is listed, a repeated name too; one with an empty name is not.
    const std::string full = "One\0Two\0one\0Three\0\0"s;  // 18 bytes before the final NUL
    struct Case {
        std::string path;
        const char* defaultValue;
        uint32_t size;
        std::string written;
        uint32_t ret;
    };
    const Case cases[] = {
        {listed, kDefault, kBig, full, 18},
        {listed, kDefault, 20, full, 18},
        {listed, kDefault, 19, full, 17},  // just fits: Windows still calls it cut
        {listed, kDefault, 18, "One\0Two\0one\0Thre\0\0"s, 16},
        {listed, kDefault, 9, "One\0Two\0\0"s, 7},
        {listed, kDefault, 2, "\0\0"s, 0},
        {listed, kDefault, 1, "\0"s, 0},
        {listed, kDefault, 0, "", 0},
        {none, kDefault, kBig, "\0"s, 0},
        {Missing(), "dflt ", kBig, "\0"s, 0},  // the default never stands in for sections
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "case " << i << ": " << c.path << ", size " << c.size);
        // The key is ignored when no section is given.
        ExpectString(GetString(c.path, nullptr, "A", c.defaultValue, c.size), c.written, c.ret);
    }
}

TEST_P(ProfileReaderTest, ReadsIntegers) {
    const std::string hugePlus7 = "1" + std::string(198, '0') + "7";  // 10^199 + 7, 200 digits
    struct Case {
        std::string value;
        uint32_t expected;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"+42", 42},
        {"007", 7},
        {"-1", 4294967295u},  // a hot key of -1 is out of range, so it never fires
        {"42A9", 42},
        {"102abc", 102},
        {"12 ; note", 12},
        {"1 000", 1},
        {"abc", 0},
        {"-", 0},
        {"+", 0},
        {"- 5", 0},
        {"+-5", 0},
        {"0x10", 0},
        {"4294967295", 4294967295u},
        {"4294967296", 0},
        {"4294967297", 1},
        {"-2147483648", 2147483648u},
        {"-4294967295", 1},
        {"99999999999999999999", 1661992959u},  // (10^20 - 1) mod 2^32
        {hugePlus7, 7},
        {"-" + hugePlus7, 4294967289u},
        {R"("12")", 12},
        {"'-3'", 4294967293u},
        {R"("  -5x")", 4294967291u},
        {R"(" ")", 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "case " << i << ": Key=" << c.value);
        const std::string path = Write("case" + std::to_string(i) + ".ini", {"[S]", "Key=" + c.value});
        EXPECT_EQ(c.expected, ProfileGetInt(path, "S", "Key", 777));
    }
}

TEST_P(ProfileReaderTest, IntegerDefaults) {
    const std::string path = Write("x.ini", {"[S]", "Empty=", "Blank=   ", "Quotes=\"\"",
                                             "Single=''", "Bare", ";Comment=5", "Zero=0",
                                             "[Numbered]", "12=x", "[Nothing]"});
    struct Case {
        std::string path;
        const char* section;
        const char* key;
        int32_t defaultValue;
        uint32_t expected;
    };
    const std::string missing = Missing();
    const Case cases[] = {
        {path, "S", "Nothing", 5, 5},
        {path, "S", "Nothing", -1, 4294967295u},
        {path, "S", "Nothing", INT32_MIN, 2147483648u},
        {path, "T", "Zero", 5, 5},
        {path, "S", "Empty", 5, 5},
        {path, "S", "Blank", 5, 5},
        {path, "S", "Quotes", 5, 5},
        {path, "S", "Single", 5, 5},
        {path, "S", "Bare", 5, 5},
        {path, "S", "Comment", 5, 5},
        {path, "S", "Zero", 5, 0},
        // A null section or key asks for a list: its first name is read as the number.
        {path, nullptr, "Zero", 5, 0},
        {path, "S", nullptr, 5, 0},
        {path, "Numbered", nullptr, 5, 12},
        {path, "Nothing", nullptr, 5, 5},
        {path, "T", nullptr, 5, 5},
        {missing, nullptr, nullptr, 5, 5},
        {missing, "S", "Zero", 5, 5},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "case " << i << ": section "
                                          << (c.section ? c.section : "(null)") << ", key "
                                          << (c.key ? c.key : "(null)"));
        EXPECT_EQ(c.expected, ProfileGetInt(c.path, c.section, c.key, c.defaultValue));
    }
}

TEST_P(ProfileReaderTest, Utf8ByteOrderMarkHidesFirstSection) {
    const std::string path =
        Write("bom.ini", {"\xEF\xBB\xBF[Settings]", "XCoord=50", "[Other]", "XCoord=60"});
    ExpectString(GetString(path, "Settings", "XCoord", kDefault, kBig), "<default>\0"s, 9);
    EXPECT_EQ(7u, ProfileGetInt(path, "Settings", "XCoord", 7));
    EXPECT_EQ(60u, ProfileGetInt(path, "Other", "XCoord", 7));

    const StringCall sections = GetString(path, nullptr, nullptr, "", kBig);
    for (const char* name = sections.buffer.data(); *name != '\0'; name += strlen(name) + 1) {
        EXPECT_STRNE("Settings", name) << "a header behind the mark must not be listed as such";
    }
}

TEST_P(ProfileReaderTest, ReadsUtf16WithByteOrderMark) {
    std::u16string text;
    for (const std::u16string& line : {std::u16string(u"[Settings]"),
                                       std::u16string(u"Name=Caf\u00E9 \u20AC \u4E2D \U0001F600!"),
                                       std::u16string(u"XCoord = 50")}) {
        text += line;
        for (const char c : Eol()) text.push_back(static_cast<char16_t>(c));
    }
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "UTF-16 LE" : "UTF-16 BE");
        std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (const char16_t unit : text) {
            const char lo = static_cast<char>(unit & 0xFF);
            const char hi = static_cast<char>(unit >> 8);
            bytes += little ? std::string{lo, hi} : std::string{hi, lo};
        }
        const std::string path = WriteBytes(dir_.path() / (little ? "le.ini" : "be.ini"), bytes);

        EXPECT_EQ(50u, ProfileGetInt(path, "settings", "XCoord", 7));
        // Narrowed to Windows-1252: e-acute and the euro sign have codes there; what it lacks,
        // each half of a surrogate pair too, reads as '?'.
        ExpectString(GetString(path, "Settings", "Name", kDefault, kBig), "Caf\xE9 \x80 ? ?" "?!\0"s, 12);
        ExpectString(GetString(path, nullptr, nullptr, kDefault, kBig), "Settings\0\0"s, 9);
    }
}

TEST_P(ProfileReaderTest, NulBytesStayInsideTheirLine) {
    // The last line is cut short by end of file right after a NUL, to show nothing reads on.
    const std::string bytes = Join({"[S]", "Key=ab\0cd"s, "Number=12\0" "34"s, "Next=1"}) + "Last=xy\0"s;
    const std::string path = WriteBytes(dir_.path() / "nul.ini", bytes);

    ExpectString(GetString(path, "S", "Key", kDefault, kBig), "ab\0"s, 2);
    EXPECT_EQ(12u, ProfileGetInt(path, "S", "Number", 7));
    ExpectString(GetString(path, "S", "Next", kDefault, kBig), "1\0"s, 1);
    ExpectString(GetString(path, "S", "Last", kDefault, kBig), "xy\0"s, 2);
    ExpectString(GetString(path, "S", nullptr, kDefault, kBig), "Key\0Number\0Next\0Last\0\0"s, 21);
}

TEST_P(ProfileReaderTest, LongLinesAndLargeFiles) {
    const std::string longValue(1 << 20, 'x');
    std::vector<std::string> lines{"[Big]", "Value=" + longValue + "END", "After=1"};
    // About 5 MiB of other sections before the one looked up.
    const std::string filler(100, 'f');
    for (int i = 0; i < 40000; ++i) {
        lines.push_back("[Filler" + std::to_string(i) + "]");
        lines.push_back("Key=" + filler);
    }
    lines.insert(lines.end(), {"[Target]", "Key=found"});
    const std::string path = Write("big.ini", lines);

    ExpectString(GetString(path, "Big", "Value", kDefault, 64), std::string(63, 'x') + '\0', 63);
    ExpectString(GetString(path, "Big", "After", kDefault, kBig), "1\0"s, 1);
    ExpectString(GetString(path, "Target", "Key", kDefault, kBig), "found\0"s, 5);
    ExpectString(GetString(path, nullptr, nullptr, kDefault, 16), "Big\0Filler0\0Fi\0\0"s, 14);
}

TEST_P(ProfileReaderTest, ReadsFileAfreshOnEveryCall) {
    const std::string path = Write("x.ini", {"[S]", "A=1"});
    EXPECT_EQ(1u, ProfileGetInt(path, "S", "A", 7));
    Write("x.ini", {"[S]", "A=2"});
    EXPECT_EQ(2u, ProfileGetInt(path, "S", "A", 7));
    ExpectString(GetString(path, "S", "A", kDefault, kBig), "2\0"s, 1);
    fs::remove(path);
    EXPECT_EQ(7u, ProfileGetInt(path, "S", "A", 7));
}

class ProfilePathTest : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(ProfilePathTest, MissingFileOrDirectoryReadsAsMissing) {
    const fs::path directory = dir_.path() / "dir.ini";
    fs::create_directory(directory);
    fs::create_directories(dir_.path() / "sub");
    const std::string cases[] = {
        (dir_.path() / "missing.ini").string(),
        directory.string(),
        (dir_.path() / "sub" / "missing.ini").string(),
        (dir_.path() / "nodir" / "missing.ini").string(),
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(::testing::Message() << "case " << i << ": " << cases[i]);
        ExpectString(GetString(cases[i], "S", "A", "dflt  ", kBig), "dflt\0"s, 4);
        EXPECT_EQ(4294967295u, ProfileGetInt(cases[i], "S", "A", -1));
        ExpectString(GetString(cases[i], "S", nullptr, "dflt", kBig), "dflt\0"s, 4);
        ExpectString(GetString(cases[i], nullptr, nullptr, "dflt", kBig), "\0"s, 0);
        EXPECT_EQ(4294967295u, ProfileGetInt(cases[i], nullptr, nullptr, -1));
    }
}

TEST_F(ProfilePathTest, ResolvesFileNames) {
    struct Case {
        const char* fileName;
        const char* currentDirectory;
        const char* expected;
    };
    const Case cases[] = {
        {"./asi/Tarquel Clock.ini", "/game", "/game/./asi/Tarquel Clock.ini"},
        {".\\asi\\x.ini", "/game", "/game/./asi/x.ini"},
        {"asi\\x.ini", "/game", "/game/asi/x.ini"},
        {"asi/x.ini", "/game/", "/game/asi/x.ini"},
        {"x.ini", "/game", "/win/x.ini"},
        {"/abs/x.ini", "/game", "/abs/x.ini"},
        {"\\abs\\x.ini", "/game", "/abs/x.ini"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "case " << i << ": " << c.fileName);
        EXPECT_EQ(c.expected, ResolveProfilePath(c.fileName, c.currentDirectory, "/win"));
    }
}

TEST_F(ProfilePathTest, BareNameReadsFromWindowsDirectory) {
    const std::string game = (dir_.path() / "game").string();
    const std::string windows = (dir_.path() / "windows").string();
    WriteBytes(dir_.path() / "game" / "x.ini", "[S]\r\nFrom=game\r\n");
    WriteBytes(dir_.path() / "game" / "asi" / "x.ini", "[S]\r\nFrom=asi\r\n");
    WriteBytes(dir_.path() / "windows" / "x.ini", "[S]\r\nFrom=windows\r\n");
    struct Case {
        const char* fileName;
        std::string expected;
    };
    const Case cases[] = {
        {"x.ini", "windows"},
        {"./x.ini", "game"},
        {".\\asi\\x.ini", "asi"},
        {"asi/x.ini", "asi"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::Message() << "case " << i << ": " << c.fileName);
        const std::string path = ResolveProfilePath(c.fileName, game, windows);
        ExpectString(GetString(path, "S", "From", kDefault, kBig), c.expected + '\0',
                     static_cast<uint32_t>(c.expected.size()));
    }
}

}  // namespace
