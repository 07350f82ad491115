// A throwaway game folder for the settings checker's tests: the two plug-ins' files (stand-ins:
// the checker only looks for them), an asi/ folder, and whatever settings a case writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace tarquel::test {

class CheckedGameFolder {
 public:
  CheckedGameFolder() {
    static int counter = 0;
    // The address tells apart the folders of test processes that run side by side.
    path_ = std::filesystem::temp_directory_path() /
            ("tarquel-check-test-" + std::to_string(++counter) + "-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_ / "asi");
  }
  ~CheckedGameFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  CheckedGameFolder(const CheckedGameFolder&) = delete;
  CheckedGameFolder& operator=(const CheckedGameFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Writes `relative` (inside the folder) byte for byte.
  void Write(const std::string& relative, const std::string& bytes) const {
    std::filesystem::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative, std::ios::binary) << bytes;
  }
  void InstallPlugins(bool clock = true, bool haltGlimmer = true) const {
    if (clock) Write("Tarquel Clock.asi", "stand-in");
    if (haltGlimmer) Write("Tarquel HaltGlimmer.asi", "stand-in");
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tarquel::test
