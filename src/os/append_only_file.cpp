#include <cerrno>
#include <cstring>

#include "os/file_calls.h"
#include "os/system.h"

namespace kvx::os {

namespace {

constexpr char kNotRegularFile[] = "it is not a regular file";

bool WriteWhole(int descriptor, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const long long put = file::Write(descriptor, text.data() + written, text.size() - written);
    if (put <= 0) return false;
    written += static_cast<std::size_t>(put);
  }
  return true;
}

// With the lock held, so the length read first is still the file's when it is cut back to it.
bool AppendLocked(int descriptor, const std::string& record, std::string& error) {
  const long long length = file::Length(descriptor);
  if (length < 0) {
    error = std::strerror(errno);
    return false;
  }
  if (WriteWhole(descriptor, record) && file::Sync(descriptor)) return true;
  error = std::strerror(errno);
  if (file::CutTo(descriptor, length)) file::Sync(descriptor);
  return false;
}

}  // namespace

AppendOnlyFile::~AppendOnlyFile() {
  if (descriptor_ >= 0) file::Close(descriptor_);
}

bool AppendOnlyFile::Open(const std::string& path, std::string& error) {
  const int descriptor = file::OpenForAppending(path);
  if (descriptor < 0) {
    const int failure = errno;
    error = file::NamesOtherThanRegularFile(path) ? kNotRegularFile : std::strerror(failure);
    return false;
  }
  if (!file::IsRegularFile(descriptor)) {
    file::Close(descriptor);
    error = kNotRegularFile;
    return false;
  }
  descriptor_ = descriptor;
  return true;
}

bool AppendOnlyFile::Append(const std::string& record, std::string& error) {
  if (!file::Lock(descriptor_)) {
    error = std::strerror(errno);
    return false;
  }
  const bool appended = AppendLocked(descriptor_, record, error);
  file::Unlock(descriptor_);
  return appended;
}

}  // namespace kvx::os
