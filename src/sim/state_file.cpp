#include "sim/state_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "os/whole_file.h"

namespace kvx::sim {

namespace {

constexpr std::string_view kMagic = "KVXSIM STATE 1\n";
constexpr std::size_t kLogicBytes = kFuseRowCount * kFuseRowLength + kSignatureLength;
constexpr std::size_t kFileSize = kMagic.size() + kFlashSize + kLogicBytes;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

Failure StateFailure(const std::string& path, const std::string& why) {
  return {"state file " + path + ": " + why, {}};
}

// Reads up to one byte more than a valid file holds, so an over-long file is noticed
// without reading all of it.
bool ReadContent(std::FILE* file, std::string& content) {
  content.resize(kFileSize + 1);
  content.resize(std::fread(content.data(), 1, content.size(), file));
  return std::ferror(file) == 0;
}

std::vector<std::string> SplitRows(std::string_view cells) {
  std::vector<std::string> rows;
  rows.reserve(kFuseRowCount);
  for (std::size_t row = 0; row < kFuseRowCount; ++row) {
    rows.emplace_back(cells.substr(row * kFuseRowLength, kFuseRowLength));
  }
  return rows;
}

}  // namespace

Result<void> LoadDeviceState(const std::string& path, DeviceState& device) {
  const File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    if (errno == ENOENT) return {};
    return StateFailure(path, std::strerror(errno));
  }
  std::string content;
  if (!ReadContent(file.get(), content)) return StateFailure(path, std::strerror(errno));
  if (content.compare(0, kMagic.size(), kMagic) != 0) {
    return StateFailure(path, "not a kvxsim state file");
  }
  if (content.size() != kFileSize) {
    return StateFailure(path, "wrong size (expected " + std::to_string(kFileSize) + " bytes)");
  }
  const std::string_view flash = std::string_view(content).substr(kMagic.size(), kFlashSize);
  const std::string_view cells = std::string_view(content).substr(kMagic.size() + kFlashSize);
  // The logic cells are the only part that can be malformed, so they go first: on failure
  // nothing has changed yet.
  if (!device.logic.LoadCells(SplitRows(cells),
                              std::string(cells.substr(kFuseRowCount * kFuseRowLength)))) {
    return StateFailure(path, "logic cells hold characters other than '0' and '1'");
  }
  device.flash.LoadImage(std::vector<std::uint8_t>(flash.begin(), flash.end()));
  device.firmwareFromCells = device.logicFromCells = true;
  return {};
}

Result<void> SaveDeviceState(const std::string& path, const DeviceState& device) {
  const std::vector<std::uint8_t>& image = device.flash.Image();
  std::string content(kMagic);
  content.append(image.begin(), image.end());
  for (std::size_t row = 0; row < kFuseRowCount; ++row) content += device.logic.Row(row);
  content += device.logic.Signature();
  if (const Result<void> written = os::WriteFileWhole(path, content, {}); !written) {
    return StateFailure(path, written.failure().text);
  }
  return {};
}

}  // namespace kvx::sim
