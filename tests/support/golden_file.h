// Golden files: a test's whole output compared with the copy kept under tests/transcripts/.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/files.h"

namespace tarquel::test {

// Compares `actual` with tests/transcripts/<name> as a whole; `what` says what differs when it
// does. With TARQUEL_UPDATE_TRANSCRIPTS=1 in the environment it writes the file instead.
inline void ExpectGoldenFile(const std::string& name, const std::string& actual, const std::string& what) {
  const std::filesystem::path path = std::filesystem::path(TARQUEL_SOURCE_DIR) / "tests/transcripts" / name;
  if (const char* update = std::getenv("TARQUEL_UPDATE_TRANSCRIPTS"); update != nullptr && update[0] == '1') {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << actual;
    std::printf("wrote %s\n", path.string().c_str());
    return;
  }
  ASSERT_TRUE(std::filesystem::is_regular_file(path)) << path << " is missing; TARQUEL_UPDATE_TRANSCRIPTS=1 writes it";
  EXPECT_EQ(ReadFileBytes(path), actual) << what << " than " << path;
}

}  // namespace tarquel::test
