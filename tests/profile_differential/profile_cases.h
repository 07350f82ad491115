#pragma once

// One table of settings files and profile calls, run twice: on Windows (or under Wine) through
// the system's GetPrivateProfileStringA/GetPrivateProfileIntA, and on Linux through the host
// emulator's reader. Both runs print the same lines, so any way in which the emulator reads a
// file differently from the real functions shows as a line that differs.
//
// A result line is "<case>\t<query index>\t<return value>\t<hex of the output buffer>". The
// output buffer of a string call is bufferSize + kGuardBytes bytes, filled with kSentinel
// before the call, so bytes the call left alone are compared as well as those it wrote. An
// integer call has no buffer: its hex field is empty.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tarquel::profile_differential {

inline constexpr unsigned char kSentinel = 0xCC;
inline constexpr uint32_t kGuardBytes = 8;

// A C-string argument that may be null.
class Arg {
public:
    Arg(std::nullptr_t) {}
    Arg(const char* text) {
        if (text != nullptr) value_ = text;
    }
    Arg(std::string text) : value_(std::move(text)) {}

    const char* get() const { return value_ ? value_->c_str() : nullptr; }
    const std::optional<std::string>& value() const { return value_; }

private:
    std::optional<std::string> value_;
};

// GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize, file). A null
// section lists the section names, a null key the key names of the section.
struct StringQuery {
    Arg section;
    Arg key;
    Arg defaultValue;
    uint32_t bufferSize;
};

// GetPrivateProfileIntA(section, key, defaultValue, file).
struct IntQuery {
    Arg section;
    Arg key;
    int32_t defaultValue;
};

struct Query {
    std::variant<StringQuery, IntQuery> call;
    // Set when Wine is expected to answer differently from the emulator because of a
    // behaviour only Wine is known to show: why the emulator does what it does instead.
    std::string wineOnly;
    // The file line the call reads, where its arguments alone do not tell; for messages.
    std::string reads;
};

enum class FileKind {
    Bytes,      // a regular file holding `bytes`
    Directory,  // a directory stands where the file should be
    Missing,    // nothing is there
};

struct ProfileCase {
    // Also the file's base name, so letters, digits and '_' only.
    std::string name;
    FileKind kind = FileKind::Bytes;
    std::string bytes;
    std::vector<Query> queries;
};

struct KnownDifference {
    std::string caseName;
    size_t queryIndex;
    std::string reason;
};

const std::vector<ProfileCase>& Cases();

// The queries of Cases() marked wineOnly, in table order.
std::vector<KnownDifference> KnownDifferences();

// The file name every query passes: "./asi/<name>.ini", relative to the current directory.
std::string ProfileFileName(const ProfileCase& profileCase);

// A query as a readable call, for messages; very long arguments are shortened.
std::string Describe(const Query& query);

// The functions under comparison, and how to make a directory the one that relative file
// names are resolved against.
struct Reader {
    std::function<void(const std::filesystem::path& directory)> enterDirectory;
    std::function<uint32_t(const char* section, const char* key, const char* defaultValue, char* out,
                           uint32_t size, const char* fileName)>
        getString;
    std::function<uint32_t(const char* section, const char* key, int32_t defaultValue, const char* fileName)>
        getInt;
};

// For every case: makes a fresh directory under scratchParent, puts the case's file (or
// directory) at asi/<name>.ini in it, enters it and runs the case's queries through the reader.
// Returns one result line per query, in table order. Everything made is removed again.
std::vector<std::string> RunCases(const Reader& reader, const std::filesystem::path& scratchParent);

}  // namespace tarquel::profile_differential
