#include "app/update_folder.h"

#include <optional>

#include "images/update_catalogue.h"

namespace kvx {

namespace {

constexpr char kSection[] = "Settings";
constexpr char kKey[] = "UpdateFilesFolder";

}  // namespace

std::filesystem::path UpdateFolder::Path() const {
  if (std::optional<std::filesystem::path> directory = UpdateDirectoryFromEnvironment())
    return *directory;
  const std::string chosen = profile_.ReadString(kSection, kKey, {});
  if (chosen.empty()) return DefaultUpdateDirectory();
  return std::filesystem::u8path(chosen);
}

void UpdateFolder::Choose(const FolderChooser& choose) {
  const std::string chosen = choose(Path().u8string());
  if (!chosen.empty()) profile_.WriteString(kSection, kKey, chosen);
}

}  // namespace kvx
