#include "images/text_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace kvx {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::error_code error;
  if (path.empty() || !std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) return std::nullopt;
  return content;
}

bool TextLineReader::DroppedReturnAt(std::size_t index) const {
  return content_[index] == '\r' && index + 1 < content_.size() && content_[index + 1] == '\n';
}

bool TextLineReader::Next(std::string& line) {
  line.clear();
  while (position_ < content_.size() && line.size() < maxCharacters_) {
    const std::size_t index = position_++;
    if (DroppedReturnAt(index)) continue;
    line.push_back(content_[index]);
    if (line.back() == '\n') break;
  }
  return !line.empty();
}

}  // namespace kvx
