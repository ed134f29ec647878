#pragma once

#include <string>

#include "app/profile.h"

namespace kvx {

// The profile through the system's private profile calls on an INI file of the program's own.
// The file is made in UTF-16 when it is new, so that the calls keep any character of a path.
class PrivateProfile : public Profile {
 public:
  explicit PrivateProfile(std::wstring filePath) : filePath_(std::move(filePath)) {}

  // "<executable base name>.ini" in the user's %APPDATA%\kvxsetup\, which an ordinary user
  // may write, unlike the Windows directory; the folder is made when missing.
  static std::wstring DefaultFilePath();

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;

 private:
  std::wstring filePath_;
};

}  // namespace kvx
