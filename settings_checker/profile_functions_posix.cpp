// The profile functions the plug-ins' settings code calls, for the checker off Windows: the host
// emulator's reader, which reads a file as Windows does, with a relative name resolved against
// this process's current directory (the game folder being checked).
#include <unistd.h>

#include <string>

#include "host_emulator/include/win32_stand_in.h"
#include "host_emulator/profile_reader.h"

namespace {

std::string CurrentDirectory() {
  std::string path(4096, '\0');
  if (getcwd(path.data(), path.size()) == nullptr) return ".";
  path.resize(path.find('\0'));
  return path;
}

// A bare file name goes to the Windows folder, which this machine does not have.
const std::string kNoWindowsDirectory = "/nonexistent-windows-folder";

std::string Resolved(LPCSTR fileName) {
  return tarquel::emu::ResolveProfilePath(fileName != nullptr ? fileName : "", CurrentDirectory(),
                                          kNoWindowsDirectory);
}

}  // namespace

extern "C" UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
  return tarquel::emu::ProfileGetInt(Resolved(fileName), section, key, defaultValue);
}

extern "C" DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out,
                                          DWORD size, LPCSTR fileName) {
  return tarquel::emu::ProfileGetString(Resolved(fileName), section, key, defaultValue, out, size);
}
