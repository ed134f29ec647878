// AppendOnlyFile and WholeFile over file calls of the test's own: an in-memory folder in which
// any call can be made to fail once.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>

#include "os/file_calls.h"
#include "os/system.h"
#include "os/whole_file.h"

namespace kvx::os {
namespace {

struct FakeFolder {
  std::map<std::string, std::string> files;
  std::map<int, std::string> open;     // descriptor to file name
  std::map<std::string, int> failing;  // call name to the errno its next call fails with
  int nextDescriptor = 3;

  bool Fails(const std::string& call) {
    const auto found = failing.find(call);
    if (found == failing.end()) return false;
    errno = found->second;
    failing.erase(found);
    return true;
  }
};
FakeFolder folder;

}  // namespace

namespace file {

int OpenForAppending(const std::string& path) {
  if (folder.Fails("open")) return -1;
  folder.files[path];
  folder.open[folder.nextDescriptor] = path;
  return folder.nextDescriptor++;
}
int OpenForReading(const std::string&) {
  return -1;
}
void Close(int descriptor) {
  folder.open.erase(descriptor);
}
long long RegularFileSize(int descriptor) {
  return static_cast<long long>(folder.files[folder.open.at(descriptor)].size());
}
bool NamesOtherThanRegularFile(const std::string&) {
  return false;
}
bool Lock(int) {
  return !folder.Fails("lock");
}
void Unlock(int) {}
long long Length(int descriptor) {
  return RegularFileSize(descriptor);
}
long long Write(int descriptor, const char* bytes, std::size_t n) {
  if (folder.Fails("write")) return -1;
  folder.files[folder.open.at(descriptor)].append(bytes, n);
  return static_cast<long long>(n);
}
bool Sync(int) {
  return !folder.Fails("sync");
}
bool CutTo(int descriptor, long long length) {
  folder.files[folder.open.at(descriptor)].resize(static_cast<std::size_t>(length));
  return true;
}
Existing Examine(const std::string& path) {
  return folder.files.count(path) ? Existing::kRegular : Existing::kMissing;
}
std::string FinalTarget(const std::string& path) {
  return path;
}
bool MayReplace(const std::string&) {
  return !folder.Fails("access");
}
int CreateUniqueBeside(const std::string& path, std::string& created) {
  created = path + ".tmp" + std::to_string(folder.nextDescriptor);
  return OpenForAppending(created);
}
bool TakePermissions(int, const std::string&) {
  return true;
}
bool CloseReporting(int descriptor) {
  Close(descriptor);
  return !folder.Fails("close");
}
bool Rename(const std::string& from, const std::string& to, bool replace) {
  if (folder.Fails("rename")) return false;
  if (!replace && folder.files.count(to)) {
    errno = EEXIST;
    return false;
  }
  folder.files[to] = folder.files[from];
  folder.files.erase(from);
  return true;
}
void SyncFolderOf(const std::string&) {}
void Remove(const std::string& path) {
  folder.files.erase(path);
}
void RemoveAtOnce(const char* path) {
  Remove(path);
}

}  // namespace file

namespace {

// A record that cannot be appended and flushed whole is cut off again: the report keeps its
// earlier records, whole, and the reason is the system's.
TEST(AppendOnlyFile, ARecordThatCannotBeFlushedIsCutOffAgain) {
  folder = {};
  AppendOnlyFile report;
  ASSERT_TRUE(report.Open("report.jsonl"));
  ASSERT_TRUE(report.Append("{\"first\":1}\n"));
  for (const char* call : {"sync", "write", "lock"}) {
    SCOPED_TRACE(call);
    folder.failing[call] = EIO;
    const Result<void> appended = report.Append("{\"second\":2}\n");
    ASSERT_FALSE(appended);
    EXPECT_EQ(appended.failure().text, std::strerror(EIO));
    EXPECT_EQ(folder.files["report.jsonl"], "{\"first\":1}\n");
  }
}

// Whichever step of a whole write fails, the file it was to replace is as it was and the
// temporary file is gone; a file that appeared meanwhile is not replaced unasked.
TEST(WholeFile, AFailedStepLeavesTheTargetAsItWasAndNoTemporaryFile) {
  for (const char* call : {"write", "sync", "close", "rename", "access", "open", "replace"}) {
    SCOPED_TRACE(call);
    folder = {};
    folder.files["out.srec"] = "old";
    folder.failing[call] = ENOSPC;
    WholeFile file;
    const bool replace = std::string(call) != "replace";
    Result<void> written = file.Begin("out.srec", {replace, false});
    if (written) written = file.Commit("new");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.failure().text,
              std::strerror(std::string(call) == "replace" ? EEXIST : ENOSPC));
    EXPECT_EQ(folder.files, (std::map<std::string, std::string>{{"out.srec", "old"}}));
  }
  folder = {};
  EXPECT_TRUE(WriteFileWhole("new.srec", "new", {false, false}));
  EXPECT_EQ(folder.files, (std::map<std::string, std::string>{{"new.srec", "new"}}));
}

}  // namespace
}  // namespace kvx::os
