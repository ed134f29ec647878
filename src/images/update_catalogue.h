#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "loader/version_number.h"

namespace kvx {

// Base names of the update files. A file is named base, '.', and its version as three
// digits: KVXARMFW.105 holds firmware 1.05.
inline constexpr char kFirmwareBaseName[] = "KVXARMFW";
inline constexpr char kLogicBaseName[] = "KVXLOG70";
// Logic for the probes whose serial number ends in the revision letter 'C'. Its numbers
// follow KVXLOG70's and are never searched on their own.
inline constexpr char kLogicBaseNameRevisionC[] = "KVXLOG71";

// The directory KVXSETUP_UPDATE_DIR names, which comes before any other choice; nothing when
// it is unset or empty.
std::optional<std::filesystem::path> UpdateDirectoryFromEnvironment();

// The directory update files are looked for in: $KVXSETUP_UPDATE_DIR when set, otherwise
// the running executable's own.
std::filesystem::path DefaultUpdateDirectory();

// The number an extension such as ".105" stands for: exactly four characters, the last
// three decimal digits (the first is not examined). 0 for anything else.
VersionNumber ParseFileNumber(const std::string& extension);

// KVXLOG71 for a serial number of exactly 10 characters ending in 'C', KVXLOG70 otherwise.
std::string SelectLogicBaseName(const std::string& serialNumber);

// The update files of one directory. Base names match regardless of letter case, so files
// copied from a case-insensitive file system are found as they are named.
class UpdateCatalogue {
 public:
  explicit UpdateCatalogue(std::filesystem::path directory) : directory_(std::move(directory)) {}

  const std::filesystem::path& Directory() const { return directory_; }

  // The file of `base` and `number`, or an empty path for number 0 or above 255. An existing
  // file whose name differs only in letter case is returned as it is named; otherwise the
  // path is composed, whether or not the file exists.
  std::filesystem::path UpdateFilePath(const std::string& base, VersionNumber number) const;

  // The logic file for a probe: chosen by its serial number, but always numbered after the
  // newest KVXLOG70 file.
  std::filesystem::path LogicFilePath(const std::string& serialNumber,
                                      VersionNumber newestLogic) const;

  // The highest number among the entries named base, '.', three digits; 0 when there is
  // none or the directory cannot be read. Numbers above 255 count too.
  VersionNumber FindNewestNumber(const std::string& base) const;

 private:
  std::filesystem::path directory_;
};

}  // namespace kvx
