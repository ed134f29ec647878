#pragma once

#include <string>
#include <vector>

#include "app/profile.h"

namespace kvx {

// The documents used last, newest first, kept in the profile as "File1" (the newest) to
// "File4" of section "Recent File List". Paths are listed absolute, each file once, under the
// spelling it was last opened or saved by.
class RecentFileList {
 public:
  static constexpr int kSize = 4;

  explicit RecentFileList(Profile& profile) : profile_(profile) {}

  // Newest first, at most kSize, without empty entries.
  std::vector<std::string> Entries() const;
  // "File1" as it stands: empty when it is missing or empty, even if a later entry is not.
  std::string MostRecent() const;
  // Puts `path` first, dropping an older entry for the same file, however spelt, and the
  // oldest beyond kSize.
  void Add(const std::string& path);
  void Remove(const std::string& path);

 private:
  // The entries but those that name the file `path` names.
  std::vector<std::string> Without(const std::string& path) const;
  void Write(const std::vector<std::string>& paths);

  Profile& profile_;
};

}  // namespace kvx
