#include "os/whole_file.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "os/file_calls.h"

namespace kvx::os {

namespace {

// The temporary files of the writes under way, in fixed places a signal handler may walk. A
// slot is taken, then filled, then marked ready; only a ready one is removed.
struct UnfinishedFile {
  std::atomic<int> state{0};  // 0 free, 1 being filled or emptied, 2 ready
  std::array<char, 4096> path{};
};
std::array<UnfinishedFile, 16> unfinished;

UnfinishedFile* Remember(const std::string& path) {
  if (path.size() >= UnfinishedFile().path.size()) return nullptr;
  for (UnfinishedFile& slot : unfinished) {
    int free = 0;
    if (!slot.state.compare_exchange_strong(free, 1)) continue;
    std::memcpy(slot.path.data(), path.c_str(), path.size() + 1);
    slot.state = 2;
    return &slot;
  }
  return nullptr;
}

void Forget(UnfinishedFile* slot) {
  if (slot != nullptr) slot->state = 0;
}

Failure SystemFailure() {
  return {std::strerror(errno), {}};
}

bool WriteAll(int descriptor, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const long long put = file::Write(descriptor, bytes.data() + done, bytes.size() - done);
    if (put < 0) return false;
    if (put == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace

WholeFile::~WholeFile() {
  Abandon();
}

void WholeFile::Abandon() {
  if (descriptor_ >= 0) file::Close(descriptor_);
  descriptor_ = -1;
  if (!temporary_.empty()) file::Remove(temporary_);
  temporary_.clear();
  Forget(static_cast<UnfinishedFile*>(unfinished_));
  unfinished_ = nullptr;
}

Result<void> WholeFile::Begin(const std::string& path, Options options) {
  Abandon();
  options_ = options;
  target_ = options.throughLinks ? file::FinalTarget(path) : path;
  const file::Existing existing = file::Examine(target_);
  if (existing == file::Existing::kDirectory) return Failure{"it is a directory", {}};
  if (existing == file::Existing::kOther) return Failure{file::kNotRegularFile, {}};
  if (existing == file::Existing::kRegular && !file::MayReplace(target_)) return SystemFailure();
  descriptor_ = file::CreateUniqueBeside(target_, temporary_);
  if (descriptor_ >= 0) unfinished_ = Remember(temporary_);
  if (descriptor_ < 0 || !file::TakePermissions(descriptor_, target_)) {
    const Failure failure = SystemFailure();
    Abandon();
    return failure;
  }
  return {};
}

Result<void> WholeFile::Commit(std::string_view bytes) {
  bool written = WriteAll(descriptor_, bytes) && file::Sync(descriptor_);
  int failure = errno;
  // A network file system may report a failed write only when the file is closed.
  if (!file::CloseReporting(descriptor_) && written) {
    written = false;
    failure = errno;
  }
  descriptor_ = -1;
  if (written && file::Rename(temporary_, target_, options_.replace)) {
    temporary_.clear();
    Forget(static_cast<UnfinishedFile*>(unfinished_));
    unfinished_ = nullptr;
    file::SyncFolderOf(target_);
    return {};
  }
  errno = written ? errno : failure;
  const Failure why = SystemFailure();
  Abandon();
  return why;
}

void RemoveUnfinishedFiles() {
  for (UnfinishedFile& slot : unfinished) {
    if (slot.state == 2) file::RemoveAtOnce(slot.path.data());
  }
}

Result<void> WriteFileWhole(const std::string& path, std::string_view bytes,
                            WholeFile::Options options) {
  WholeFile file;
  if (Result<void> begun = file.Begin(path, options); !begun) return begun;
  return file.Commit(bytes);
}

}  // namespace kvx::os
