#pragma once

#include <poll.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <termios.h>
#include <time.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kvx {

// An entry of the user database.
struct UserEntry {
  std::string name;
  gid_t primaryGroup = 0;
};

// Every operating-system call the POSIX serial backend makes goes through here, so tests can
// make any of them fail with a chosen errno, write short, report EINTR or hang up.
//
// Calls mirror their C counterparts: they return -1 and set errno on failure, except
// SleepUntil, which like clock_nanosleep returns the error number. The user-database calls
// return plain values because their C forms hand out static or caller-sized storage.
class PosixSystem {
 public:
  virtual ~PosixSystem() = default;

  virtual int Open(const char* path, int flags) = 0;
  virtual int Close(int fd) = 0;
  virtual int Flock(int fd, int operation) = 0;
  // `arg` is whatever the request takes: nothing, an int, or a settings record.
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual int TcGetAttr(int fd, termios& settings) = 0;
  virtual int TcSetAttr(int fd, int when, const termios& settings) = 0;
  virtual int TcFlush(int fd, int queue) = 0;
  virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
  virtual ssize_t Read(int fd, void* buffer, std::size_t count) = 0;
  virtual ssize_t Write(int fd, const void* bytes, std::size_t count) = 0;

  // CLOCK_MONOTONIC.
  virtual int ClockGetTime(timespec& now) = 0;
  // Sleeps until `deadline` on CLOCK_MONOTONIC; 0, or the error number (EINTR when a signal
  // cut the sleep short).
  virtual int SleepUntil(const timespec& deadline) = 0;

  virtual int Stat(const char* path, struct stat& status) = 0;
  virtual std::optional<std::string> GroupName(gid_t group) = 0;
  // The real user of this process, as the user database knows it.
  virtual std::optional<UserEntry> CurrentUser() = 0;
  // The groups this process runs with: its effective group and supplementary groups.
  virtual std::vector<gid_t> ProcessGroups() = 0;
  // The groups the user database gives `user` now; a login picks these up.
  virtual std::vector<gid_t> UserGroups(const UserEntry& user) = 0;
};

// The operating system itself.
PosixSystem& RealPosixSystem();

}  // namespace kvx
