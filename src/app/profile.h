#pragma once

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

#include "os/profile.h"

namespace kvx {

// The settings the window keeps between runs, by section and key, in one file: the recent-file
// list, the main window's position, the devices of COM ports, the update folder and Fast
// Update. The platform keeps the file (os/profile.h): an INI file of the program's own, or the
// system's private profile calls on one. Every call reaches the file, so two windows open at
// once each see what the other last wrote.
class Profile {
 public:
  explicit Profile(std::string filePath) : filePath_(std::move(filePath)) {}

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const {
    return os::ReadProfileValue(filePath_, section, key, fallback);
  }
  // An empty value removes the key; a value that cannot be written is let go unsaid.
  void WriteString(const std::string& section, const std::string& key, const std::string& value) {
    os::WriteProfileValue(filePath_, section, key, value);
  }

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

 private:
  std::string filePath_;
};

}  // namespace kvx
