#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kvx {

// No real update file comes near this: the firmware area holds 768 KiB, under 2 MiB as
// S-record text, and a fuse file is some 35 KB. Anything larger is not an update file, and
// reading it whole could exhaust memory.
inline constexpr std::size_t kUpdateFileSizeLimit = 4 * 1024 * 1024;

// The whole content of a file, or why it could not be had.
struct FileContent {
  std::string text;
  std::string error;  // empty when `text` holds the whole file
};

// Reads a regular file of at most `sizeLimit` bytes. Opening never blocks, so a FIFO or a
// device named by mistake is refused rather than waited on; the type and size are taken from
// the opened file itself, so a file swapped after the check is not read either. The error
// reads after the file's name: "is not a regular file", "cannot be opened (reason)", "is
// larger than 4 MiB".
FileContent ReadRegularFile(const std::filesystem::path& path,
                            std::size_t sizeLimit = kUpdateFileSizeLimit);

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
