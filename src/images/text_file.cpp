#include "images/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace kvx {

namespace {

class OpenFile {
 public:
  explicit OpenFile(const std::filesystem::path& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  int Fd() const { return fd_; }

 private:
  int fd_;
};

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
FileContent ReadToEnd(int fd, std::size_t sizeLimit) {
  FileContent content;
  std::array<char, 65536> chunk;
  for (;;) {
    const ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failure(std::string("cannot be read (") + std::strerror(errno) + ")");
    if (n == 0) return content;
    if (content.text.size() + static_cast<std::size_t>(n) > sizeLimit) {
      return Failure(TooLargeText(sizeLimit));
    }
    content.text.append(chunk.data(), static_cast<std::size_t>(n));
  }
}

}  // namespace

FileContent ReadRegularFile(const std::filesystem::path& path, std::size_t sizeLimit) {
  if (path.empty()) return Failure("is not named");
  const OpenFile file(path);
  if (file.Fd() < 0) {
    return Failure(std::string("cannot be opened (") + std::strerror(errno) + ")");
  }
  struct stat info {};
  if (::fstat(file.Fd(), &info) != 0) {
    return Failure(std::string("cannot be read (") + std::strerror(errno) + ")");
  }
  if (!S_ISREG(info.st_mode)) return Failure("is not a regular file");
  if (static_cast<std::uintmax_t>(info.st_size) > sizeLimit)
    return Failure(TooLargeText(sizeLimit));
  return ReadToEnd(file.Fd(), sizeLimit);
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
