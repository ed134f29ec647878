#include "images/text_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "os/file_calls.h"

namespace kvx {

namespace {

Failure SystemFailure(const char* what) {
  return {std::string(what) + " (" + std::strerror(errno) + ")", {}};
}

Failure TooLarge(std::size_t sizeLimit) {
  constexpr std::size_t kMiB = 1024 * 1024;
  return {sizeLimit % kMiB == 0 ? "is larger than " + std::to_string(sizeLimit / kMiB) + " MiB"
                                : "is larger than " + std::to_string(sizeLimit) + " bytes",
          {}};
}

// Reads to the end, but never more than one byte past the limit: a file that grew after its
// size was taken is refused, not swallowed.
Result<std::string> ReadToEnd(std::FILE* stream, std::size_t sizeLimit) {
  std::string content;
  std::array<char, 65536> chunk;
  while (const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), stream)) {
    if (content.size() + n > sizeLimit) return TooLarge(sizeLimit);
    content.append(chunk.data(), n);
  }
  if (std::ferror(stream) != 0) return SystemFailure("cannot be read");
  return content;
}

}  // namespace

Result<RegularFile> OpenRegularFile(const std::filesystem::path& path) {
  // Never waits on a FIFO or a terminal's carrier, and the type and size are those of the
  // file opened, not of whatever the name stood for a moment before.
  const int fd = os::file::OpenForReading(path.u8string());
  if (fd < 0) return SystemFailure("cannot be opened");
  const long long size = os::file::RegularFileSize(fd);
  if (size < 0) {
    os::file::Close(fd);
    return Failure{"is not a regular file", {}};
  }
  RegularFile file{std::unique_ptr<std::FILE, FileCloser>(fdopen(fd, "rb")),
                   static_cast<std::uintmax_t>(size)};
  if (!file.stream) {
    const Failure failure = SystemFailure("cannot be opened");
    os::file::Close(fd);
    return failure;
  }
  return file;
}

Result<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t sizeLimit) {
  if (path.empty()) return Failure{"is not named", {}};
  const Result<RegularFile> file = OpenRegularFile(path);
  if (!file) return file.failure();
  if (file->size > sizeLimit) return TooLarge(sizeLimit);
  return ReadToEnd(file->stream.get(), sizeLimit);
}

bool TextLineReader::DroppedReturnAt(std::size_t index) const {
  return content_[index] == '\r' && index + 1 < content_.size() && content_[index + 1] == '\n';
}

bool TextLineReader::Next(std::string& line) {
  if (TakeWholeLine(line)) return true;
  line.clear();
  while (position_ < content_.size() && line.size() < maxCharacters_) {
    const std::size_t index = position_++;
    if (DroppedReturnAt(index)) continue;
    line.push_back(content_[index]);
    if (line.back() == '\n') break;
  }
  return !line.empty();
}

bool TextLineReader::TakeWholeLine(std::string& line) {
  // One character more than a line holds: a carriage return dropped before the newline
  // takes no place in it.
  const std::size_t window = std::min(content_.size() - position_, maxCharacters_ + 1);
  const char* const start = content_.data() + position_;
  const auto* const newline = static_cast<const char*>(std::memchr(start, '\n', window));
  if (newline == nullptr) return false;
  const std::size_t end = static_cast<std::size_t>(newline - start);  // the newline's offset
  const bool droppedReturn = end > 0 && start[end - 1] == '\r';
  const std::size_t kept = droppedReturn ? end - 1 : end;
  if (kept + 1 > maxCharacters_) return false;
  line.assign(start, kept);
  line.push_back('\n');
  position_ += end + 1;
  return true;
}

}  // namespace kvx
