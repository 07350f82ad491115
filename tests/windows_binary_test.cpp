// The Windows plug-ins as files: what a player's system sees when it maps them. Read with the
// MinGW objdump; the Microsoft ABI's names come from clang.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include <unistd.h>

#include "tests/support/files.h"

namespace {

using tarquel::test::ReadFileBytes;
using tarquel::test::ShellQuote;

using ::testing::IsEmpty;

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return "cannot run: " + command;
  std::array<char, 4096> chunk;
  while (size_t n = fread(chunk.data(), 1, chunk.size(), pipe)) output.append(chunk.data(), n);
  const int status = pclose(pipe);
  if (status != 0) output += "\n[exit status " + std::to_string(status) + "]";
  return output;
}


// The names our .def says the host exports.
std::set<std::string> DefExports() {
  std::ifstream def(TARQUEL_HOST_DEF);
  std::set<std::string> names;
  std::string line;
  bool exports = false;
  while (std::getline(def, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line == "EXPORTS") exports = true;
    else if (exports) names.insert(line);
  }
  return names;
}

// DLL name -> imported names, from objdump's import tables.
std::map<std::string, std::set<std::string>> Imports(const std::string& objdumpOutput) {
  std::map<std::string, std::set<std::string>> imports;
  std::istringstream lines(objdumpOutput);
  std::string line, dll;
  static const std::regex dllName(R"(^\s*DLL Name: (\S+))");
  static const std::regex entry(R"(^\s+[0-9a-f]+\s+[0-9]+\s+(\S+)\s*$)");
  std::smatch match;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, match, dllName)) {
      dll = match[1];
      imports[dll];
    } else if (!dll.empty() && std::regex_search(line, match, entry)) {
      imports[dll].insert(match[1]);
    } else if (line.find("The Export Tables") != std::string::npos || line.find("The Function Table") != std::string::npos) {
      dll.clear();
    }
  }
  return imports;
}

struct Plugin {
  const char* name;
  std::string path;        // the file players get
  std::string unstripped;  // the same file as linked, with its symbols
  friend void PrintTo(const Plugin& plugin, std::ostream* out) { *out << plugin.path; }
};

std::vector<Plugin> Plugins() {
  const std::filesystem::path dir = TARQUEL_WINDOWS_BUILD_DIR;
  auto plugin = [&](const char* name, const char* folder) {
    const std::string file = std::string(name) + ".asi";
    return Plugin{name, (dir / folder / file).string(), (dir / folder / "unstripped" / file).string()};
  };
  return {plugin("Tarquel Clock", "clock_overlay"), plugin("Tarquel HaltGlimmer", "brake_control")};
}

class WindowsPluginTest : public ::testing::TestWithParam<Plugin> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(GetParam().path))
        << GetParam().path << " is missing: build the windows preset first (tools/test does)";
    headers_ = RunCommand(std::string(TARQUEL_MINGW_OBJDUMP) + " -p " + ShellQuote(GetParam().path));
  }
  std::string headers_;
};

TEST_P(WindowsPluginTest, IsA64BitDll) {
  EXPECT_THAT(RunCommand(std::string(TARQUEL_MINGW_OBJDUMP) + " -f " + ShellQuote(GetParam().path)),
              ::testing::HasSubstr("file format pei-x86-64"));
  EXPECT_THAT(headers_, ::testing::ContainsRegex("Magic\\s+020b")) << "not PE32+";
  EXPECT_THAT(headers_, ::testing::ContainsRegex("Characteristics [0-9a-fx]+(.|\n)*DLL"));
}

TEST_P(WindowsPluginTest, ExportsNothing) {
  // GNU ld exports every global of a DLL that names no export; the build must have stopped it.
  static const std::regex counts(R"(Export Address Table\s+([0-9a-f]+)\s*\n\s*\[Name Pointer/Ordinal\] Table\s+([0-9a-f]+))");
  std::smatch match;
  if (std::regex_search(headers_, match, counts)) {
    EXPECT_EQ(std::stoul(match[1], nullptr, 16), 0u) << "export address table entries";
    EXPECT_EQ(std::stoul(match[2], nullptr, 16), 0u) << "exported names";
  } else {
    EXPECT_THAT(headers_, ::testing::Not(::testing::HasSubstr("Export Address Table"))) << "unreadable export table";
  }
}

TEST_P(WindowsPluginTest, ImportsTheHostsEightFunctionsAndOnlyTheSystemBesides) {
  const auto imports = Imports(headers_);
  ASSERT_TRUE(imports.contains("ScriptHookV.dll")) << headers_;
  EXPECT_EQ(imports.at("ScriptHookV.dll"), DefExports());
  for (const auto& [dll, names] : imports) {
    const bool system = dll == "KERNEL32.dll" || dll == "msvcrt.dll" || dll.starts_with("api-ms-win-crt-");
    EXPECT_TRUE(system || dll == "ScriptHookV.dll") << "imports from " << dll << ", which a player does not have";
  }
}

TEST_P(WindowsPluginTest, FitsIn16KiB) {
  const auto size = std::filesystem::file_size(GetParam().path);
  std::printf("%s: %ju bytes\n", GetParam().name, static_cast<uintmax_t>(size));
  EXPECT_LE(size, 16u * 1024u);
}

// The bytes of the code section, for telling that two files carry the same code.
std::string CodeSection(const std::string& file) {
  const std::filesystem::path out =
      std::filesystem::temp_directory_path() / ("tarquel_text_" + std::to_string(getpid()) + ".bin");
  RunCommand(std::string(TARQUEL_MINGW_OBJCOPY) + " -O binary --only-section=.text " + ShellQuote(file) + " " +
             ShellQuote(out.string()));
  const std::string bytes = ReadFileBytes(out);
  std::filesystem::remove(out);
  return bytes;
}

// The keyboard callback runs on the game's keyboard path, on another thread than the script: it
// must never wait on a lock, pay for a locked instruction or a fence, or call anything but the
// tick. Read from the linked file, whose code is the shipped file's code.
TEST_P(WindowsPluginTest, KeyboardCallbackIsABoundsTestOneTickAndPlainStores) {
  const std::string code = CodeSection(GetParam().path);
  ASSERT_FALSE(code.empty());
  ASSERT_EQ(code, CodeSection(GetParam().unstripped)) << "the shipped code is not the code read here";
  const std::string listing = RunCommand(std::string(TARQUEL_MINGW_OBJDUMP) +
                                         " -d --no-show-raw-insn --disassemble=_Z16KeyboardCallbackmthiiii " +
                                         ShellQuote(GetParam().unstripped));
  static const std::regex instruction(R"(^\s+[0-9a-f]+:\s+(\S+)\s*(.*)$)");
  std::istringstream lines(listing);
  std::string line;
  int instructions = 0, stores = 0, tickCalls = 0;
  while (std::getline(lines, line)) {
    std::smatch match;
    if (!std::regex_match(line, match, instruction)) continue;
    const std::string mnemonic = match[1], operands = match[2];
    ++instructions;
    SCOPED_TRACE(line);
    EXPECT_NE(mnemonic, "lock") << "a locked instruction";
    EXPECT_FALSE(mnemonic.starts_with("xchg") && operands.find('(') != std::string::npos) << "an exchange with memory";
    EXPECT_FALSE(mnemonic == "mfence" || mnemonic == "lfence" || mnemonic == "sfence") << "a fence";
    EXPECT_FALSE(mnemonic.starts_with("cmpxchg") || mnemonic.starts_with("xadd")) << "a read-modify-write";
    if (mnemonic == "call" || (mnemonic == "jmp" && operands.find('*') != std::string::npos)) {
      EXPECT_THAT(operands, ::testing::HasSubstr("<__imp_GetTickCount>")) << "calls something besides the tick";
      ++tickCalls;
    }
    // A store into the key table: a move whose destination is memory, indexed by the key.
    if (mnemonic.starts_with("mov") && std::regex_search(operands, std::regex(R"(,\s*-?(0x[0-9a-f]+)?\(%r)"))) ++stores;
  }
  ASSERT_GT(instructions, 0) << "KeyboardCallback not found:\n" << listing;
  EXPECT_EQ(tickCalls, 1) << listing;
  EXPECT_EQ(stores, 4) << "four 32-bit stores, one per field:\n" << listing;
}

INSTANTIATE_TEST_SUITE_P(Dlls, WindowsPluginTest, ::testing::ValuesIn(Plugins()),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           std::erase(name, ' ');
                           return name;
                         });

// A plug-in built with Microsoft's compiler imports our declarations under decorated names; the
// .def must list exactly those, or the loader would not find them in the host.
TEST(HostImportNames, AreTheMicrosoftDecoratedNamesOfOurDeclarations) {
  const std::filesystem::path object =
      std::filesystem::temp_directory_path() / ("tarquel_host_imports_" + std::to_string(getpid()) + ".obj");
  const std::string compile = std::string(TARQUEL_CLANG) +
                              " --target=x86_64-pc-windows-msvc -fno-ms-compatibility -DWIN32_LEAN_AND_MEAN"
                              " -isystem " TARQUEL_MINGW_INCLUDE " -I " TARQUEL_SOURCE_DIR " -c " +
                              ShellQuote(TARQUEL_SOURCE_DIR "/tests/msvc_abi/host_imports.cpp") + " -o " +
                              ShellQuote(object.string());
  ASSERT_THAT(RunCommand(compile), IsEmpty());
  const std::string symbols = RunCommand(std::string(TARQUEL_LLVM_NM) + " --undefined-only " + ShellQuote(object.string()));
  std::filesystem::remove(object);
  std::set<std::string> imported;
  std::istringstream lines(symbols);
  std::string kind, name;
  while (lines >> kind >> name) {
    ASSERT_EQ(kind, "U") << symbols;
    ASSERT_TRUE(name.starts_with("__imp_")) << name << " is not imported";
    imported.insert(name.substr(6));
  }
  EXPECT_EQ(imported, DefExports());
}

}  // namespace
