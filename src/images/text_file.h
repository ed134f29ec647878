#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kvx {

// The whole content of a regular file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Reads text the way the update files have always been read: in text mode, where a carriage
// return right before a newline is dropped, and with a fixed line buffer, so one read
// delivers at most `maxCharacters` characters and stops after a newline, which stays in the
// text. A longer line therefore arrives in pieces, each piece a line of its own.
class TextLineReader {
 public:
  TextLineReader(const std::string& content, std::size_t maxCharacters)
      : content_(content), maxCharacters_(maxCharacters) {}

  // The next piece into `line`; false, with `line` empty, at the end of the content.
  bool Next(std::string& line);
  // Bytes of the content consumed so far, carriage returns included.
  std::uint32_t Position() const { return static_cast<std::uint32_t>(position_); }

 private:
  bool DroppedReturnAt(std::size_t index) const;

  const std::string& content_;
  std::size_t maxCharacters_;
  std::size_t position_ = 0;
};

}  // namespace kvx
