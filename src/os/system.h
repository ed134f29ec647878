#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include "os/result.h"

// What the programs need of the operating system beyond the serial port, the same on every
// platform: terminals, the running program's own file, stop signals, UTC time and files that
// only ever grow by whole records. Each platform implements it in one source file of its own
// folder; nothing above it needs to know which platform it runs on.
namespace kvx::os {

// Whether `stream` is a terminal (a console) that a person reads or types at.
bool IsTerminal(std::FILE* stream);
// The columns of the terminal `stream` writes to; 0 when it is none or does not say.
std::size_t TerminalColumns(std::FILE* stream);
// Whether the program's console window is its own and closes when it ends: a console program
// started from the desktop (a double click) rather than from a command prompt. Never so on
// POSIX, where a terminal outlives the programs run in it.
bool ConsoleClosesOnExit();

// The running program's own file, or an empty path when the system cannot tell.
std::filesystem::path ExecutablePath();

// Calls `onStop` when the user or the system asks the program to stop: Ctrl-C, a terminate
// request, the terminal or session going away (SIGINT, SIGTERM, SIGHUP; a console's Ctrl-C,
// Ctrl-Break and close). `onStop` runs in a signal handler, or on a thread of the system's, so
// it may only touch lock-free atomics, WriteToStandardError and std::_Exit. Calls interrupted
// by one of these signals carry on where they were.
void CallOnStopRequests(void (*onStop)());
// A write to a pipe nobody reads any more, or past the file-size limit, fails with an error
// the program reports, instead of ending the program (SIGPIPE, SIGXFSZ).
void ReportFailedWritesInsteadOfDying();
// Writes `n` bytes of `text` to standard error unbuffered; safe in a signal handler. Nothing
// is left to do when it fails.
void WriteToStandardError(const char* text, std::size_t n);

// The name of this computer and of the user the program runs as, for a record of who did
// what where; empty when the system cannot tell.
std::string HostName();
std::string UserName();

// `time` broken down as UTC.
std::tm UtcTime(std::time_t time);

// What tells one file from another, whatever it is called: the folder it lies in and its name
// there, links at the name followed, and for a file that exists its device and file number,
// which its hard links share. "x", "./x", a path through a linked folder and a link to the
// file are all one file; a name that does not exist yet is one file with every other way of
// writing it.
struct FileIdentity {
  std::uint64_t folderDevice = 0;
  std::uint64_t folderNumber = 0;
  std::string name;  // as the system compares names: letter case ignored on Windows
  bool exists = false;
  std::uint64_t device = 0;
  std::uint64_t number = 0;

  bool SameFileAs(const FileIdentity& other) const {
    if (exists && other.exists && device == other.device && number == other.number) return true;
    return folderDevice == other.folderDevice && folderNumber == other.folderNumber &&
           name == other.name;
  }
};

// Nothing when the folder `path` would lie in cannot be found.
std::optional<FileIdentity> IdentifyFile(const std::string& path);
// `path` as the system compares names: absolute, without "." and ".." parts, and on Windows
// with one kind of slash and letter case ignored; for names whose folder is not there.
std::string ComparablePath(const std::string& path);

// A regular file that only ever grows by whole records, shared by every process appending to
// it. Each record is appended under an exclusive lock that the others honour, and synced to
// the disk before the lock is let go; a record that cannot be written whole (a full disk, the
// file-size limit) or synced is cut off again, so a reader never finds a torn record and the
// next one is never glued onto half of one. One object is not to be used by two threads at once.
class AppendOnlyFile {
 public:
  AppendOnlyFile() = default;
  ~AppendOnlyFile();
  AppendOnlyFile(const AppendOnlyFile&) = delete;
  AppendOnlyFile& operator=(const AppendOnlyFile&) = delete;

  // Opens `path` for appending, creating a missing file, without ever waiting on what the name
  // stands for (a FIFO without a reader, a terminal); anything but a regular file is refused.
  Result<void> Open(const std::string& path);
  bool IsOpen() const { return descriptor_ >= 0; }
  // Appends `record` whole, waiting for other processes' appends to finish first. When it
  // could not, the file is as it was.
  Result<void> Append(const std::string& record);

 private:
  int descriptor_ = -1;
};

}  // namespace kvx::os
