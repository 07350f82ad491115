// A settings file held open the way another program may hold it.
#pragma once

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarquel::test {

// A file held open without sharing for as long as the object lives. Windows (and Wine) refuse
// any other open of it meanwhile, the profile functions' own too; the emulator's reader takes no
// notice of locks, so there the file is only written.
#ifdef _WIN32
class HeldFile {
 public:
  explicit HeldFile(const std::filesystem::path& path)
      : handle_(CreateFileW(path.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr)) {}
  ~HeldFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};
#else
class HeldFile {
 public:
  explicit HeldFile(const std::filesystem::path&) {}
  bool Held() const { return true; }
};
#endif

}  // namespace tarquel::test
