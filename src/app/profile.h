#pragma once

#include <cerrno>
#include <cstdlib>
#include <string>

namespace kvx {

// The settings the window keeps between runs, by section and key: the recent-file list, the
// main window's position and the devices of COM ports. On Linux an INI file of the program's
// own, on Windows the system's private profile calls on one. Every call reaches the file, so
// two windows open at once each see what the other last wrote.
class Profile {
 public:
  virtual ~Profile() = default;

  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const = 0;
  // An empty value removes the key: nothing the window keeps reads an empty value differently
  // from a missing one.
  virtual void WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;

  // Numbers are kept as decimal text; `fallback` when the key is missing or holds no number.
  int ReadInt(const std::string& section, const std::string& key, int fallback) const {
    const std::string text = ReadString(section, key, {});
    if (text.empty()) return fallback;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || value != static_cast<int>(value)) return fallback;
    return static_cast<int>(value);
  }
  void WriteInt(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
  }
};

}  // namespace kvx
