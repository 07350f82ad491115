# The Windows plug-ins, built with MinGW-w64: cross-built on Linux with Debian's toolchain (posix
# thread model), or natively in an MSYS2 MinGW64 shell, where the tools carry no prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(prefix x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${prefix}-g++-posix ${prefix}-g++ g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${prefix}-gcc-posix ${prefix}-gcc gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${prefix}-windres windres)
find_program(CMAKE_DLLTOOL NAMES ${prefix}-dlltool dlltool REQUIRED)
find_program(CMAKE_OBJDUMP NAMES ${prefix}-objdump objdump)
find_program(CMAKE_STRIP NAMES ${prefix}-strip strip REQUIRED)

if(CMAKE_HOST_UNIX)
  set(CMAKE_FIND_ROOT_PATH /usr/${prefix})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  # The emulator's Windows programs (its tests among them) run under Wine when built on Linux.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
endif()
