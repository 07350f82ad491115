// The table of settings-file cases, read by the system's own profile functions: run on Windows
// or under Wine, it prints the lines the emulator's reading is compared with.

#include "tests/profile_differential/profile_cases.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <exception>

int main() {
    using namespace tarquel::profile_differential;
    // "\n" must not become "\r\n": the lines are compared byte for byte.
    _setmode(_fileno(stdout), _O_BINARY);

    char temp[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length > MAX_PATH) {
        std::fprintf(stderr, "profile_oracle: no temporary directory\n");
        return 1;
    }

    Reader reader;
    reader.enterDirectory = [](const std::filesystem::path& directory) {
        if (!SetCurrentDirectoryW(directory.c_str())) {
            throw std::runtime_error("cannot enter " + directory.string());
        }
    };
    reader.getString = [](const char* section, const char* key, const char* defaultValue, char* out,
                          uint32_t size, const char* fileName) -> uint32_t {
        return GetPrivateProfileStringA(section, key, defaultValue, out, size, fileName);
    };
    reader.getInt = [](const char* section, const char* key, int32_t defaultValue, const char* fileName) -> uint32_t {
        return GetPrivateProfileIntA(section, key, defaultValue, fileName);
    };

    try {
        for (const std::string& line : RunCases(reader, temp)) std::printf("%s\n", line.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "profile_oracle: %s\n", error.what());
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
