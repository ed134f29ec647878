#pragma once

#include <cstddef>
#include <string>

// The file calls AppendOnlyFile, WholeFile and the readers of update files and documents are
// made of, each platform's own. Those that can fail return -1 or false with errno set.
namespace kvx::os::file {

// Opens `path` for appending, creating a missing file, without waiting on a FIFO or a terminal
// and without handing the descriptor to child processes.
int OpenForAppending(const std::string& path);
// Opens `path` for reading in binary, the same ways.
int OpenForReading(const std::string& path);
void Close(int descriptor);
// The size of the regular file open at `descriptor`; -1 when it is none.
long long RegularFileSize(int descriptor);
inline bool IsRegularFile(int descriptor) {
  return RegularFileSize(descriptor) >= 0;
}
// Whether `path` names something that exists but is no regular file (a FIFO, a device, a
// directory).
bool NamesOtherThanRegularFile(const std::string& path);
// Whether `path` is a regular file that this user may read and write and that is not marked
// read-only for everybody (a mark the superuser's writes would pass over).
bool MayReadAndWrite(const std::string& path);

// An exclusive lock on the whole file that other processes' Lock() waits for.
bool Lock(int descriptor);
void Unlock(int descriptor);

long long Length(int descriptor);
// Writes some of `n` bytes at the file's end; how many.
long long Write(int descriptor, const char* bytes, std::size_t n);
bool Sync(int descriptor);
bool CutTo(int descriptor, long long length);

// What a name stands for, links followed.
enum class Existing { kMissing, kRegular, kDirectory, kOther };
// Why a file routine refuses a name that stands for kOther (a FIFO, a device, ...).
inline constexpr char kNotRegularFile[] = "it is not a regular file";
Existing Examine(const std::string& path);
// The file a chain of symbolic links at `path` ends at, which need not exist; `path` itself
// when it is no link.
std::string FinalTarget(const std::string& path);
// Whether this user may replace the existing file at `path` (false with errno set).
bool MayReplace(const std::string& path);
// Creates a new, empty file of a unique name in the folder of `path`, exclusively, so no file
// or link already under that name is used; its name goes into `created`. The name is too long
// (ENAMETOOLONG) when `path`'s own is.
int CreateUniqueBeside(const std::string& path, std::string& created);
// Gives the open file the permissions of the file at `like`, or a new file's where there is none.
bool TakePermissions(int descriptor, const std::string& like);
// Closes `descriptor`; false when the system reports a failed write only now.
bool CloseReporting(int descriptor);
// Renames `from` to `to`, replacing a file there only with `replace` (else EEXIST).
bool Rename(const std::string& from, const std::string& to, bool replace);
// Flushes the folder `path` lies in to the disk, so a rename there survives a power cut.
void SyncFolderOf(const std::string& path);
void Remove(const std::string& path);
// The same, safe in a signal handler.
void RemoveAtOnce(const char* path);

}  // namespace kvx::os::file
