#pragma once

#include <cstddef>
#include <string>

// The file calls AppendOnlyFile and the readers of update files and documents are made of,
// each platform's own. Those that can fail return -1 or false with errno set.
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

// An exclusive lock on the whole file that other processes' Lock() waits for.
bool Lock(int descriptor);
void Unlock(int descriptor);

long long Length(int descriptor);
// Writes some of `n` bytes at the file's end; how many.
long long Write(int descriptor, const char* bytes, std::size_t n);
bool Sync(int descriptor);
bool CutTo(int descriptor, long long length);

}  // namespace kvx::os::file
