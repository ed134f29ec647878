#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "os/result.h"

namespace kvx {

// No real update file comes near this: the firmware area holds 768 KiB, under 2 MiB as
// S-record text, and a fuse file is some 35 KB. Anything larger is not an update file, and
// reading it whole could exhaust memory.
inline constexpr std::size_t kUpdateFileSizeLimit = 4 * 1024 * 1024;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// A regular file opened for reading in binary.
struct RegularFile {
  std::unique_ptr<std::FILE, FileCloser> stream;
  std::uintmax_t size = 0;
};

// Opens `path`, or says why it could not, in a text that reads after the file's name
// ("cannot be opened (reason)", "is not a regular file"). Opening never blocks, so a FIFO or
// a device named by mistake is refused rather than waited on, and the type and size are taken
// from the opened file itself, so a file swapped after the check is not read either.
Result<RegularFile> OpenRegularFile(const std::filesystem::path& path);

// The whole content of a regular file, opened as above, of at most `sizeLimit` bytes; a
// larger one "is larger than 4 MiB".
Result<std::string> ReadRegularFile(const std::filesystem::path& path,
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
  // The next line at once when it ends within the line buffer, as it does but for a line too
  // long for it; false, leaving everything as it was, otherwise.
  bool TakeWholeLine(std::string& line);

  const std::string& content_;
  std::size_t maxCharacters_;
  std::size_t position_ = 0;
};

}  // namespace kvx
