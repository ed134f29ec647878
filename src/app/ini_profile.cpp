#include "app/ini_profile.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include "app/document_file.h"

namespace kvx {

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
  std::ifstream in(std::filesystem::u8path(filePath), std::ios::binary);
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
std::vector<std::uint8_t> IniText(const Entries& entries) {
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
  return {text.begin(), text.end()};
}

}  // namespace

std::string IniProfile::ReadString(const std::string& section, const std::string& key,
                                   const std::string& fallback) const {
  const Entries entries = ReadEntries(filePath_);
  const auto found = entries.find({section, key});
  return found == entries.end() ? fallback : found->second;
}

void IniProfile::WriteString(const std::string& section, const std::string& key,
                             const std::string& value) {
  Entries entries = ReadEntries(filePath_);
  if (value.empty()) {
    entries.erase({section, key});
  } else {
    entries[{section, key}] = value;
  }
  std::error_code unmade;
  std::filesystem::create_directories(std::filesystem::u8path(filePath_).parent_path(), unmade);
  static_cast<void>(ReplaceFileContent(filePath_, IniText(entries)));  // says nothing, as above
}

}  // namespace kvx
