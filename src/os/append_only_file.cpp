#include <cerrno>
#include <cstring>

#include "os/file_calls.h"
#include "os/system.h"

namespace kvx::os {

namespace {

Failure SystemFailure() {
  return {std::strerror(errno), {}};
}

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
Result<void> AppendLocked(int descriptor, const std::string& record) {
  const long long length = file::Length(descriptor);
  if (length < 0) return SystemFailure();
  if (WriteWhole(descriptor, record) && file::Sync(descriptor)) return {};
  const Failure failure = SystemFailure();
  if (file::CutTo(descriptor, length)) file::Sync(descriptor);
  return failure;
}

}  // namespace

AppendOnlyFile::~AppendOnlyFile() {
  if (descriptor_ >= 0) file::Close(descriptor_);
}

Result<void> AppendOnlyFile::Open(const std::string& path) {
  const int descriptor = file::OpenForAppending(path);
  if (descriptor < 0) {
    const Failure failure = SystemFailure();
    if (file::NamesOtherThanRegularFile(path)) return Failure{file::kNotRegularFile, {}};
    return failure;
  }
  if (!file::IsRegularFile(descriptor)) {
    file::Close(descriptor);
    return Failure{file::kNotRegularFile, {}};
  }
  descriptor_ = descriptor;
  return {};
}

Result<void> AppendOnlyFile::Append(const std::string& record) {
  if (!file::Lock(descriptor_)) return SystemFailure();
  Result<void> appended = AppendLocked(descriptor_, record);
  file::Unlock(descriptor_);
  return appended;
}

}  // namespace kvx::os
