#pragma once

// Off Windows the host emulator answers the plug-ins' GetPrivateProfileIntA and
// GetPrivateProfileStringA calls itself. It has to read a settings file exactly as
// Windows does, or a plug-in tested here would meet different settings there.
//
// How a file is read, for both functions:
// - Each call reads the file afresh; nothing is cached, so an edit shows at the next call.
// - A missing file, one that cannot be read, or anything that is not a regular file (a
//   directory, a pipe, a device) reads as missing: the caller gets its default.
// - A file starting with a UTF-16 byte-order mark (FF FE little-endian, FE FF big-endian)
//   is read as UTF-16 and narrowed to Windows-1252, the ANSI code page of English and Western
//   European Windows; a character it lacks becomes '?' (no best-fit replacements).
//   A UTF-8 byte-order mark is not recognised: its bytes are text of the first line, so a
//   first section header behind it is not recognised either.
// - CR LF, LF and CR each end a line. Leading whitespace of a line is skipped.
// - A line starting with ';' is a comment. '#' is ordinary text, and there are no inline
//   comments: in "X=50 ; right" the value is "50 ; right".
// - A line starting with '[' that holds a ']' is a section header: its name is the text up
//   to the last ']', trimmed; the rest of the line is ignored. A '[' line without ']' is an
//   ordinary line of the current section.
// - "name = value": the first '=' splits; whitespace around the name, around '=' and at the
//   end of the value is dropped. A line without '=' is not a key.
// - Section and key names compare case-insensitively (ASCII). An empty section name never
//   matches; an empty key name finds a line such as "=value".
// - Lines before the first section header belong to no section and are never found.
// - When a name repeats, only the first section of that name is searched, and within it
//   the first key of a name wins.
// - A NUL byte in the file does not end a line; a name or value read from that line ends
//   at the NUL, as the C string it is handed out as.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarquel::emu {

// Turns a Win32 file name as a plug-in passes it (e.g. "./asi/Tarquel Clock.ini" or
// ".\\asi\\x.ini") into a host path. Backslashes become '/'. A name holding a '/' or '\\'
// is resolved against currentDirectory, unless it is absolute (starts with a separator),
// in which case it stays as it is. A bare name, with no separator at all, is looked for
// in windowsDirectory, as Windows does. Drive letters are not mapped: "C:\\x.ini" is an
// ordinary relative name and will normally read as missing.
std::string ResolveProfilePath(std::string_view fileName, const std::string& currentDirectory,
                               const std::string& windowsDirectory);

// GetPrivateProfileStringA over the file at hostPath (already resolved).
//
// out == nullptr or size == 0: returns 0 and writes nothing; size 1 writes only a NUL.
//
// section and key given: copies the value of the key, without one pair of matching quotes
// ("..." or '...', at least two characters) around it. A present key with an empty value
// gives "" and returns 0; only a missing file, section or key gives defaultValue (nullptr
// means ""), copied with its trailing spaces removed. Text longer than the buffer is cut
// to size-1 characters plus NUL. Returns the number of characters copied, NUL not counted.
//
// section == nullptr lists the section names (key is then ignored); key == nullptr lists
// the key names of the section. Every header (but an empty one) or key line is listed as it
// stands, in file order, repeats included; each name is NUL-terminated and the list ends with
// one more NUL. The return value counts the bytes before that final NUL. A list that does not
// fit - and, as on Windows, one whose final NUL lands on the last byte of the buffer - is cut
// inside its last name so that the buffer ends with two NULs, and the call returns size-2.
// A key list that would start with its final NUL (the section missing or empty, or its first
// key nameless) is replaced by the trimmed default as plain text; the section list never
// uses the default: a missing file lists nothing.
uint32_t ProfileGetString(const std::string& hostPath, const char* section, const char* key,
                          const char* defaultValue, char* out, uint32_t size);

// GetPrivateProfileIntA over the file at hostPath.
//
// Reads the value as ProfileGetString would (quotes removed), skips leading whitespace,
// takes an optional '+' or '-' and the decimal digits after it, stopping at the first
// non-digit ("42A9" gives 42). The result is that number wrapped to 32 bits unsigned, for
// any count of digits ("-1" gives 4294967295, "4294967297" gives 1). A value that does not
// start with a number gives 0, not the default; "0x10" is 0 too, no hex is read. A null
// section or key reads the number from the first name of that list. A list that starts
// empty, a missing file, section or key, or an empty value gives defaultValue, wrapped to
// 32 bits unsigned.
uint32_t ProfileGetInt(const std::string& hostPath, const char* section, const char* key,
                       int32_t defaultValue);

}  // namespace tarquel::emu
