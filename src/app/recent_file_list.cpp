#include "app/recent_file_list.h"

#include <algorithm>

#include "app/document_file.h"

namespace kvx {

namespace {

constexpr char kSection[] = "Recent File List";

std::string EntryKey(int number) {
  return "File" + std::to_string(number);
}

}  // namespace

std::vector<std::string> RecentFileList::Entries() const {
  std::vector<std::string> paths;
  for (int number = 1; number <= kSize; ++number) {
    std::string path = profile_.ReadString(kSection, EntryKey(number), {});
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

std::string RecentFileList::MostRecent() const {
  return profile_.ReadString(kSection, EntryKey(1), {});
}

void RecentFileList::Add(const std::string& path) {
  std::vector<std::string> paths = Without(path);
  paths.insert(paths.begin(), AbsoluteFilePath(path));
  if (paths.size() > static_cast<std::size_t>(kSize)) paths.resize(kSize);
  Write(paths);
}

void RecentFileList::Remove(const std::string& path) {
  Write(Without(path));
}

std::vector<std::string> RecentFileList::Without(const std::string& path) const {
  std::vector<std::string> paths = Entries();
  paths.erase(
      std::remove_if(paths.begin(), paths.end(),
                     [&path](const std::string& entry) { return SameFilePath(entry, path); }),
      paths.end());
  return paths;
}

void RecentFileList::Write(const std::vector<std::string>& paths) {
  for (int number = 1; number <= kSize; ++number) {
    const auto index = static_cast<std::size_t>(number - 1);
    profile_.WriteString(kSection, EntryKey(number), index < paths.size() ? paths[index] : "");
  }
}

}  // namespace kvx
