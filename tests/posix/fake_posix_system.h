#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/posix/posix_system.h"

namespace kvx::test {

// The calls a test can make fail or watch.
enum class Call {
  kOpen,
  kClose,
  kFlock,
  kExclusive,    // ioctl TIOCEXCL
  kModemClear,   // ioctl TIOCMBIC
  kReadRecord,   // ioctl TCGETS2
  kWriteRecord,  // ioctl TCSETS2
  kTcGetAttr,
  kTcSetAttr,
  kTcFlush,
  kPoll,
  kRead,
  kWrite,
  kClock,
  kSleep,
  kStat,
};

// A serial device and the system around it, in memory and on a virtual monotonic clock that
// moves only when a poll or sleep waits. Any call can be made to fail with a chosen errno.
class FakePosixSystem final : public PosixSystem {
 public:
  static constexpr int kFd = 42;

  FakePosixSystem();

  // The next `times` calls of `call` fail with `error` (EINTR included).
  void Fail(Call call, int error, int times = 1);
  // Bytes the device has received, delivered by the next read.
  void Receive(std::vector<std::uint8_t> bytes);
  // Bytes that arrive while the next poll waits.
  void ReceiveDuringPoll(std::vector<std::uint8_t> bytes);

  int CountOf(Call call) const;
  std::int64_t NowMs() const { return nowNs / 1'000'000; }

  // The device.
  std::vector<std::uint8_t> written;
  std::size_t writeRoom = std::numeric_limits<std::size_t>::max();  // then EAGAIN
  std::size_t largestWrite = std::numeric_limits<std::size_t>::max();
  bool endOfInput = false;                   // reads of an empty device return 0
  std::deque<short> pollHangUps;             // revents the next polls report instead
  std::optional<std::uint32_t> fastestRate;  // a driver that quietly falls back to this
  termios settings{};
  std::uint32_t rate = 9600;
  int clearedModemLines = 0;

  // The system.
  std::int64_t nowNs = 5'000'000'000;
  std::vector<Call> calls;
  int openFlags = 0;
  int lockOperation = 0;
  int openDescriptors = 0;
  std::string openedPath;
  std::map<std::string, std::string> environment;
  struct stat device {};
  std::map<gid_t, std::string> groupNames;
  std::optional<UserEntry> user;
  std::vector<gid_t> processGroups;
  std::vector<gid_t> userGroups;

  int Open(const char* path, int flags) override;
  int Close(int fd) override;
  int Flock(int fd, int operation) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  int TcGetAttr(int fd, termios& out) override;
  int TcSetAttr(int fd, int when, const termios& in) override;
  int TcFlush(int fd, int queue) override;
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override;
  ssize_t Read(int fd, void* buffer, std::size_t count) override;
  ssize_t Write(int fd, const void* bytes, std::size_t count) override;
  int ClockGetTime(timespec& now) override;
  int SleepUntil(const timespec& deadline) override;
  int Stat(const char* path, struct stat& status) override;
  std::optional<std::string> GetEnv(const char* name) override;
  std::optional<std::string> GroupName(gid_t group) override;
  std::optional<UserEntry> CurrentUser() override { return user; }
  std::vector<gid_t> ProcessGroups() override { return processGroups; }
  std::vector<gid_t> UserGroups(const UserEntry&) override { return userGroups; }

 private:
  // Records the call; true (errno set) when it is to fail.
  bool Enter(Call call);
  bool ReadWouldFail() const;
  Call IoctlCall(unsigned long request) const;
  void SetRate(std::uint32_t bitsPerSecond);

  struct Failure {
    int error;
    int times;
  };
  std::map<Call, Failure> failures_;
  std::deque<std::vector<std::uint8_t>> input_;
  std::deque<std::vector<std::uint8_t>> arrivingDuringPoll_;
};

}  // namespace kvx::test
