#pragma once

#include <string>

// The window's settings file ("profile"), read and written by section and key. On POSIX it is
// an INI file of the program's own; on Windows the system's private profile calls keep it. Every
// call reaches the file, so two windows open at once each see what the other last wrote. Paths,
// sections, keys and values are UTF-8.
namespace kvx::os {

// The window's settings file, named after the program ("kvxsetup" when the system cannot tell
// its name) with the ending ".ini". On POSIX it lies in $XDG_CONFIG_HOME when that is an
// absolute path, else in the .config folder of the home ($HOME, else the password database's);
// on Windows in the user's %APPDATA%\kvxsetup\, which an ordinary user may write, unlike the
// Windows directory, and which is made here when missing.
std::string ProfileFilePath();

// Values rather than strings in the names: windows.h makes WriteProfileString a macro for a call
// of its own, which would rename this one wherever it is included first.

// The value of `key` in `section` of the file at `filePath`; `fallback` when the file or the key
// is missing.
std::string ReadProfileValue(const std::string& filePath, const std::string& section,
                             const std::string& key, const std::string& fallback);

// Sets `key` in `section` to `value`; an empty value removes the key, since nothing the window
// keeps reads an empty value differently from a missing one. A profile that cannot be written is
// not worth interrupting the user for, so a failed write changes nothing and says nothing.
void WriteProfileValue(const std::string& filePath, const std::string& section,
                       const std::string& key, const std::string& value);

}  // namespace kvx::os
