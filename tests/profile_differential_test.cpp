// Holds the emulator's settings-file reader to the real profile functions: the same table of
// files and calls is run once under Wine, by the oracle program, and once here through the
// emulator, and every result that differs fails - unless the table lists it as a behaviour
// only Wine shows, in which case it must still differ, so that the list stays true.

#include "host_emulator/profile_reader.h"
#include "tests/profile_differential/profile_cases.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;
namespace pd = tarquel::profile_differential;
using tarquel::test::ShellQuote;

struct Result {
    std::string returned;
    std::string bufferHex;  // empty for an integer call

    bool operator==(const Result&) const = default;
};

using ResultKey = std::pair<std::string, size_t>;  // case name, query index

struct Results {
    std::map<ResultKey, Result> byQuery;
    std::vector<std::string> malformed;  // lines that could not be read, or repeated ones
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

Results Parse(const std::vector<std::string>& lines) {
    Results results;
    for (std::string line : lines) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::vector<std::string> fields = SplitTabs(line);
        size_t index = 0;
        size_t used = 0;
        bool ok = fields.size() == 4 && !fields[1].empty();
        if (ok) {
            try {
                index = std::stoul(fields[1], &used);
            } catch (const std::exception&) {
                ok = false;
            }
        }
        if (!ok || used != fields[1].size() ||
            !results.byQuery.emplace(ResultKey{fields[0], index}, Result{fields[2], fields[3]}).second) {
            results.malformed.push_back(line.substr(0, 200));
        }
    }
    return results;
}

struct OracleRun {
    std::vector<std::string> lines;
    std::string failure;  // empty when the oracle ran and exited with 0
};

OracleRun RunOracleUnderWine() {
    OracleRun run;
    const std::string command = ShellQuote(TARQUEL_WINE_RUN) + " " + ShellQuote(TARQUEL_PROFILE_ORACLE_EXE) +
                                " </dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        run.failure = "cannot start: " + command;
        return run;
    }
    std::string output;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
    const int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        run.failure = command + " failed with status " + std::to_string(status);
    }
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) run.lines.push_back(line);
    return run;
}

// The same cases through the emulator, with the case's directory as the current directory.
std::vector<std::string> RunEmulator() {
    auto current = std::make_shared<fs::path>();
    const auto resolve = [current](const char* fileName) {
        // No file name in the table is a bare one, so the Windows directory is never looked
        // in; it is one where nothing is.
        return tarquel::emu::ResolveProfilePath(fileName, current->string(), (*current / "no-windows").string());
    };
    pd::Reader reader;
    reader.enterDirectory = [current](const fs::path& directory) { *current = directory; };
    reader.getString = [resolve](const char* section, const char* key, const char* defaultValue, char* out,
                                 uint32_t size, const char* fileName) {
        return tarquel::emu::ProfileGetString(resolve(fileName), section, key, defaultValue, out, size);
    };
    reader.getInt = [resolve](const char* section, const char* key, int32_t defaultValue, const char* fileName) {
        return tarquel::emu::ProfileGetInt(resolve(fileName), section, key, defaultValue);
    };
    return pd::RunCases(reader, fs::temp_directory_path());
}

// A result readably: the buffer with NUL as \0, other unprintable bytes as \xNN, and runs of
// the sentinel collapsed.
std::string Show(const Result& result) {
    std::string shown = "returned " + result.returned;
    if (result.bufferHex.empty()) return shown;
    shown += ", buffer \"";
    const std::string& hex = result.bufferHex;
    for (size_t i = 0; i + 1 < hex.size();) {
        const auto byte = static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16));
        if (byte == pd::kSentinel) {
            size_t run = 0;
            for (; i + 1 < hex.size() && hex.compare(i, 2, "CC") == 0; i += 2) ++run;
            shown += "<CC x" + std::to_string(run) + ">";
            continue;
        }
        if (byte == 0) {
            shown += "\\0";
        } else if (byte < 0x20 || byte >= 0x7F || byte == '"' || byte == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown.push_back(static_cast<char>(byte));
        }
        i += 2;
    }
    return shown + "\"";
}

std::string ShowFound(const Results& results, const ResultKey& key) {
    const auto found = results.byQuery.find(key);
    return found == results.byQuery.end() ? std::string("no result line") : Show(found->second);
}

class ProfileDifferentialTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        oracle_ = new OracleRun(RunOracleUnderWine());
        wine_ = new Results(Parse(oracle_->lines));
        emulator_ = new Results(Parse(RunEmulator()));
    }
    static void TearDownTestSuite() {
        delete oracle_;
        delete wine_;
        delete emulator_;
    }

    void SetUp() override {
        ASSERT_EQ("", oracle_->failure) << "the oracle must run under Wine";
        ASSERT_TRUE(wine_->malformed.empty()) << "unreadable line from Wine: " << wine_->malformed.front();
        ASSERT_TRUE(emulator_->malformed.empty()) << "unreadable emulator line: " << emulator_->malformed.front();
    }

    static bool Differs(const ResultKey& key) {
        const auto wine = wine_->byQuery.find(key);
        const auto emulator = emulator_->byQuery.find(key);
        return wine == wine_->byQuery.end() || emulator == emulator_->byQuery.end() ||
               !(wine->second == emulator->second);
    }

    static std::string Details(const pd::ProfileCase& profileCase, size_t index) {
        const ResultKey key{profileCase.name, index};
        return profileCase.name + " #" + std::to_string(index) + " " + pd::Describe(profileCase.queries[index]) +
               "\n  Wine:     " + ShowFound(*wine_, key) + "\n  emulator: " + ShowFound(*emulator_, key);
    }

    static OracleRun* oracle_;
    static Results* wine_;
    static Results* emulator_;
};

OracleRun* ProfileDifferentialTest::oracle_ = nullptr;
Results* ProfileDifferentialTest::wine_ = nullptr;
Results* ProfileDifferentialTest::emulator_ = nullptr;

TEST_F(ProfileDifferentialTest, EmulatorReadsFilesAsWineDoes) {
    std::map<std::string, size_t> queryCounts;
    for (const pd::ProfileCase& profileCase : pd::Cases()) {
        queryCounts[profileCase.name] = profileCase.queries.size();
        for (size_t i = 0; i < profileCase.queries.size(); ++i) {
            if (profileCase.queries[i].wineOnly.empty()) {
                EXPECT_FALSE(Differs({profileCase.name, i})) << Details(profileCase, i);
            }
        }
    }
    // A line from Wine for a query the table does not have means the oracle was built from
    // another table than this test: its other lines cannot be trusted either.
    for (const auto& [key, result] : wine_->byQuery) {
        const auto count = queryCounts.find(key.first);
        EXPECT_TRUE(count != queryCounts.end() && key.second < count->second)
            << "Wine printed a result for " << key.first << " #" << key.second << ", which the table lacks";
    }
}

TEST_F(ProfileDifferentialTest, KnownDifferencesStillDiffer) {
    const std::vector<pd::KnownDifference> known = pd::KnownDifferences();
    std::cout << known.size() << " known differences, Wine only:\n";
    for (const pd::KnownDifference& difference : known) {
        const pd::ProfileCase* profileCase = nullptr;
        for (const pd::ProfileCase& candidate : pd::Cases()) {
            if (candidate.name == difference.caseName) profileCase = &candidate;
        }
        ASSERT_NE(nullptr, profileCase);
        const ResultKey key{difference.caseName, difference.queryIndex};
        std::cout << "  " << difference.caseName << " #" << difference.queryIndex << " "
                  << pd::Describe(profileCase->queries[difference.queryIndex]) << ": Wine " << ShowFound(*wine_, key)
                  << ", emulator " << ShowFound(*emulator_, key) << ". " << difference.reason << ".\n";
        EXPECT_TRUE(Differs(key))
            << "listed as a Wine-only behaviour, but Wine and the emulator agree:\n"
            << Details(*profileCase, difference.queryIndex);
    }
}

}  // namespace
