#include "images/text_file.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "os/file_calls.h"

namespace kvx {

namespace {

std::string SystemReason(const char* what) {
  return std::string(what) + " (" + std::strerror(errno) + ")";
}

FileContent Failure(std::string error) {
  return FileContent{{}, std::move(error)};
}

std::string TooLargeText(std::size_t sizeLimit) {
  constexpr std::size_t kMiB = 1024 * 1024;
  return sizeLimit % kMiB == 0 ? "is larger than " + std::to_string(sizeLimit / kMiB) + " MiB"
                               : "is larger than " + std::to_string(sizeLimit) + " bytes";
}

// Reads to the end, but never more than one byte past the limit: a file that grew after its
// size was taken is refused, not swallowed.
FileContent ReadToEnd(std::FILE* stream, std::size_t sizeLimit) {
  FileContent content;
  std::array<char, 65536> chunk;
  while (const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), stream)) {
    if (content.text.size() + n > sizeLimit) return Failure(TooLargeText(sizeLimit));
    content.text.append(chunk.data(), n);
  }
  if (std::ferror(stream) != 0) return Failure(SystemReason("cannot be read"));
  return content;
}

}  // namespace

RegularFile OpenRegularFile(const std::filesystem::path& path) {
  RegularFile file;
  // Never waits on a FIFO or a terminal's carrier, and the type and size are those of the
  // file opened, not of whatever the name stood for a moment before.
  const int fd = os::file::OpenForReading(path.u8string());
  if (fd < 0) {
    file.error = SystemReason("cannot be opened");
    return file;
  }
  const long long size = os::file::RegularFileSize(fd);
  if (size < 0) {
    file.error = "is not a regular file";
    os::file::Close(fd);
    return file;
  }
  file.stream.reset(fdopen(fd, "rb"));
  if (!file.stream) {
    file.error = SystemReason("cannot be opened");
    os::file::Close(fd);
    return file;
  }
  file.size = static_cast<std::uintmax_t>(size);
  return file;
}

FileContent ReadRegularFile(const std::filesystem::path& path, std::size_t sizeLimit) {
  if (path.empty()) return Failure("is not named");
  const RegularFile file = OpenRegularFile(path);
  if (!file.stream) return Failure(file.error);
  if (file.size > sizeLimit) return Failure(TooLargeText(sizeLimit));
  return ReadToEnd(file.stream.get(), sizeLimit);
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
