#include "os/profile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include "os/posix/account.h"
#include "os/system.h"
#include "os/whole_file.h"

// The profile as an INI file: "[Section]" headers and "key=value" lines, sections and keys in
// sorted order, names written as they are (spaces included). Lines starting with ';' are
// comments; blanks around names and values do not count. Each write rewrites the file in one
// step, creating its directory when needed.
namespace kvx::os {

namespace {

using Entries = std::map<std::pair<std::string, std::string>, std::string>;

constexpr char kBlanks[] = " \t\r\n";
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

Entries ReadEntries(const std::string& filePath) {
  Entries entries;
  std::ifstream in(filePath, std::ios::binary);
  std::string section;
  std::string line;
  for (bool first = true; std::getline(in, line); first = false) {
    if (first && line.rfind(kByteOrderMark, 0) == 0) line.erase(0, sizeof kByteOrderMark - 1);
    line = Trimmed(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = Trimmed(line.substr(1, line.size() - 2));
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0) continue;
    entries[{section, Trimmed(line.substr(0, equals))}] = Trimmed(line.substr(equals + 1));
  }
  return entries;
}

// Sections apart by a blank line; keys of no section, if a hand-written file had any, first.
std::string IniText(const Entries& entries) {
  std::string text;
  const std::string* section = nullptr;
  for (const auto& [name, value] : entries) {
    if (section == nullptr || *section != name.first) {
      if (section != nullptr) text += '\n';
      if (!name.first.empty()) text += '[' + name.first + "]\n";
      section = &name.first;
    }
    text += name.second + '=' + value + '\n';
  }
  return text;
}

// As the desktop's other programs find it: a relative XDG_CONFIG_HOME is no folder of its own.
std::string ConfigFolder() {
  const char* configured = std::getenv("XDG_CONFIG_HOME");
  if (configured != nullptr && configured[0] == '/') return configured;
  const char* home = std::getenv("HOME");
  return (home != nullptr && home[0] != '\0' ? home : AccountField(&passwd::pw_dir)) + "/.config";
}

}  // namespace

std::string ProfileFilePath() {
  const std::string name = ExecutablePath().stem().string();
  return ConfigFolder() + '/' + (name.empty() ? "kvxsetup" : name) + ".ini";
}

std::string ReadProfileValue(const std::string& filePath, const std::string& section,
                             const std::string& key, const std::string& fallback) {
  const Entries entries = ReadEntries(filePath);
  const auto found = entries.find({section, key});
  return found == entries.end() ? fallback : found->second;
}

void WriteProfileValue(const std::string& filePath, const std::string& section,
                       const std::string& key, const std::string& value) {
  Entries entries = ReadEntries(filePath);
  if (value.empty()) {
    entries.erase({section, key});
  } else {
    entries[{section, key}] = value;
  }
  std::error_code unmade;
  std::filesystem::create_directories(std::filesystem::path(filePath).parent_path(), unmade);
  static_cast<void>(WriteFileWhole(filePath, IniText(entries), {true, true}));  // says nothing
}

}  // namespace kvx::os
