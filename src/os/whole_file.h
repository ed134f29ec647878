#pragma once

#include <string>
#include <string_view>

#include "os/result.h"

// Files that the programs write as a whole: documents, the files a probe is read back into,
// the simulator's state. One way for all of them, so each is as safe as the safest.
namespace kvx::os {

// A file written whole or not at all.
//
// Begin() makes a new, empty file of a unique name beside the target, exclusively, so a file
// or a link planted under that name is never written to or through; Commit() writes the
// bytes into it, flushes them to the disk, renames it over the target and flushes the folder,
// so the name holds the old file or the new one, whole, even after a power cut. A replaced
// file keeps its permissions; a new one gets what the umask leaves of rw-rw-rw-. A write
// that is not committed, or whose commit fails, takes its temporary file with it: the
// target is as it was.
//
// Begin finds what would make the commit fail before the caller does its work (a minute's
// read of a probe, say): a folder that is missing or closed, a name too long, a directory or
// other file that is no regular one under the name, a file this user may not replace.
class WholeFile {
 public:
  struct Options {
    // False: the commit fails when a file of that name is there by then, so nothing that
    // appeared in the meantime is replaced.
    bool replace = true;
    // A symbolic link under the name keeps leading to the file it names, which is replaced;
    // otherwise the link itself is.
    bool throughLinks = false;
  };

  WholeFile() = default;
  ~WholeFile();
  WholeFile(const WholeFile&) = delete;
  WholeFile& operator=(const WholeFile&) = delete;

  // Fails, with the system's reason as its text, when the file cannot be written.
  Result<void> Begin(const std::string& path, Options options);
  // Puts `bytes` in place of the target. When it could not, the target is as it was.
  Result<void> Commit(std::string_view bytes);

 private:
  void Abandon();

  Options options_;
  std::string target_;
  std::string temporary_;
  int descriptor_ = -1;
  void* unfinished_ = nullptr;  // where RemoveUnfinishedFiles finds the temporary file
};

// Removes the temporary files of every write begun and not yet committed or given up, for a
// program that quits at once (a second Ctrl-C) rather than leave them beside their targets.
// Safe in a signal handler.
void RemoveUnfinishedFiles();

// Begin and Commit in one.
Result<void> WriteFileWhole(const std::string& path, std::string_view bytes,
                            WholeFile::Options options);

}  // namespace kvx::os
