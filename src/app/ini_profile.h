#pragma once

#include <string>
#include <utility>

#include "app/profile.h"

namespace kvx {

// The profile as an INI file: "[Section]" headers and "key=value" lines, sections and keys in
// sorted order, names written as they are (spaces included). Lines starting with ';' are
// comments; blanks around names and values do not count. Each write rewrites the file in one
// step, creating its directory when needed; a profile that cannot be written is not worth
// interrupting the user for, so a failed write changes nothing and says nothing.
class IniProfile : public Profile {
 public:
  explicit IniProfile(std::string filePath) : filePath_(std::move(filePath)) {}

  const std::string& FilePath() const { return filePath_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;

 private:
  std::string filePath_;
};

}  // namespace kvx
