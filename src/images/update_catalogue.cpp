#include "images/update_catalogue.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <system_error>

#include "loader/version_text.h"
#include "os/system.h"

namespace kvx {

namespace {

constexpr VersionNumber kHighestFileNumber = 255;

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// The number an entry's name gives for `base`: base, '.', three digits; 0 for any other name.
VersionNumber EntryNumber(const std::string& name, const std::string& base) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || !SameIgnoringCase(name.substr(0, dot), base)) return 0;
  return ParseFileNumber(name.substr(dot));
}

// Calls `visit` with the name of every entry of `directory`, files and directories alike,
// and with nothing when it cannot be read. Stops early when `visit` returns true.
template <typename Visit>
void VisitEntryNames(const std::filesystem::path& directory, Visit visit) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
       it.increment(error)) {
    if (visit(it->path().filename().string())) return;
  }
}

}  // namespace

std::optional<std::filesystem::path> UpdateDirectoryFromEnvironment() {
  const char* directory = std::getenv("KVXSETUP_UPDATE_DIR");
  if (directory == nullptr || *directory == '\0') return std::nullopt;
  return std::filesystem::path(directory);
}

std::filesystem::path DefaultUpdateDirectory() {
  if (std::optional<std::filesystem::path> directory = UpdateDirectoryFromEnvironment())
    return *directory;
  const std::filesystem::path executable = os::ExecutablePath();
  std::error_code error;
  if (executable.empty()) return std::filesystem::current_path(error);
  return executable.parent_path();
}

VersionNumber ParseFileNumber(const std::string& extension) {
  if (extension.size() != 4) return 0;
  VersionNumber value = 0;
  for (std::size_t i = 1; i < 4; ++i) {
    const char c = extension[i];
    if (c < '0' || c > '9') return 0;
    value = static_cast<VersionNumber>(value * 10 + (c - '0'));
  }
  return value;
}

std::string SelectLogicBaseName(const std::string& serialNumber) {
  const bool revisionC = serialNumber.size() == 10 && serialNumber[9] == 'C';
  return revisionC ? kLogicBaseNameRevisionC : kLogicBaseName;
}

std::filesystem::path UpdateCatalogue::UpdateFilePath(const std::string& base,
                                                      VersionNumber number) const {
  if (number == 0 || number > kHighestFileNumber) return {};
  const std::string name = base + "." + FormatVersionDigits(number);
  std::error_code error;
  std::string existing = name;
  if (!std::filesystem::exists(directory_ / name, error)) {
    VisitEntryNames(directory_, [&](const std::string& entry) {
      if (SameIgnoringCase(entry, name)) existing = entry;
      return existing != name;
    });
  }
  return directory_ / existing;
}

std::filesystem::path UpdateCatalogue::LogicFilePath(const std::string& serialNumber,
                                                     VersionNumber newestLogic) const {
  return UpdateFilePath(SelectLogicBaseName(serialNumber), newestLogic);
}

VersionNumber UpdateCatalogue::FindNewestNumber(const std::string& base) const {
  VersionNumber newest = 0;
  VisitEntryNames(directory_, [&](const std::string& entry) {
    newest = std::max(newest, EntryNumber(entry, base));
    return false;
  });
  return newest;
}

}  // namespace kvx
