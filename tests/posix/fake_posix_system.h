#pragma once

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>

#include "link/posix/posix_system.h"
#include "link/posix/termios2_record.h"

namespace kvx::test {

// A serial device and the system around it, in memory, on a virtual monotonic clock that moves
// only when a poll waits. Any call can be made to fail with a chosen errno.
class FakePosixSystem final : public PosixSystem {
 public:
  // The next `times` calls of `call` (named as in C: "read", "flock", "TIOCMBIC") fail with
  // `error`.
  void Fail(const std::string& call, int error, int times = 1) { failures_[call] = {error, times}; }

  // The device.
  std::vector<std::uint8_t> input;  // what the next read delivers
  short hangUp = 0;                 // what every poll reports besides readiness
  bool endOfInput = false;          // reads of an empty device return 0
  std::vector<std::uint8_t> written;
  std::size_t writeRoom = SIZE_MAX, largestWrite = SIZE_MAX;  // then EAGAIN; per write
  std::uint32_t rate = 9600, fastestRate = UINT32_MAX;        // a driver quietly falls back to this
  termios settings{};
  int modemLines = TIOCM_DTR | TIOCM_RTS | TIOCM_CD;  // as another program left them, carrier up
  bool exclusive = false;                             // TIOCEXCL set and not yet cleared
  std::optional<int> serialFlags;  // the driver's serial flags; none: it has no such setting

  // The system.
  std::int64_t nowNs = 5'000'000'000;
  int openFlags = 0, lockOperation = 0, openDescriptors = 0;
  // The device is in group 20, "dialout", which may read and write it; user "ada" is not in it.
  std::vector<gid_t> userGroups = {100};  // what a fresh login would give "ada"

  int Open(const char*, int flags) override {
    return Enter("open") ? -1 : (openFlags = flags, ++openDescriptors, 42);
  }
  int Close(int) override { return Enter("close") ? -1 : (--openDescriptors, 0); }
  int Flock(int, int operation) override {
    return Enter("flock") ? -1 : (lockOperation = operation, 0);
  }
  int Ioctl(int, unsigned long request, void* arg) override {
    if (request == TIOCEXCL) return Enter("TIOCEXCL") ? -1 : (exclusive = true, 0);
    if (request == TIOCNXCL) return exclusive = false, 0;
    if (request == TIOCMBIC)
      return Enter("TIOCMBIC") ? -1 : (modemLines &= ~*static_cast<int*>(arg), 0);
    if (request == TIOCMBIS) return modemLines |= *static_cast<int*>(arg), 0;
    if (request == TIOCGSERIAL || request == TIOCSSERIAL) {
      auto& serial = *static_cast<serial_struct*>(arg);
      if (Enter(request == TIOCGSERIAL ? "TIOCGSERIAL" : "TIOCSSERIAL")) return -1;
      if (!serialFlags) return errno = ENOTTY, -1;
      if (request == TIOCGSERIAL) return serial = {}, serial.flags = *serialFlags, 0;
      return serialFlags = serial.flags, 0;
    }
    // termios2: a record written sets the rate (as far as the driver goes); one read reports it.
    Termios2Record record;
    if (request == Termios2Record::WriteRequest()) {
      std::memcpy(record.Data(), arg, Termios2Record::kStorageBytes);
      rate = std::min(record.OutputRate(), fastestRate);
    }
    record.SetRate(rate);
    std::memcpy(arg, record.Data(), Termios2Record::kStorageBytes);
    return 0;
  }
  int TcGetAttr(int, termios& out) override {
    return Enter("tcgetattr") ? -1 : (out = settings, 0);
  }
  int TcSetAttr(int, int, const termios& in) override {
    return Enter("tcsetattr") ? -1 : (settings = in, 0);
  }
  int TcFlush(int, int queue) override { return queue == TCOFLUSH ? 0 : (input.clear(), 0); }
  int Poll(pollfd* fds, nfds_t, int timeoutMs) override {
    if (Enter("poll")) return -1;
    // Like the kernel, poll calls a descriptor readable when a read would not block: when
    // bytes wait, at the end of input, and when the read would fail.
    const auto& [readError, readFailures] = failures_["read"];
    const bool readFails = readFailures > 0 && readError != EAGAIN && readError != EINTR;
    fds->revents = hangUp;
    if ((fds->events & POLLIN) && (!input.empty() || endOfInput || readFails))
      fds->revents |= POLLIN;
    if ((fds->events & POLLOUT) && writeRoom > 0) fds->revents |= POLLOUT;
    if (fds->revents != 0) return 1;
    nowNs += timeoutMs * std::int64_t{1'000'000};
    return 0;
  }
  ssize_t Read(int, void* buffer, std::size_t size) override {
    if (Enter("read")) return -1;
    if (input.empty()) return endOfInput ? 0 : (errno = EAGAIN, -1);
    const std::size_t n = std::min(size, input.size());
    std::memcpy(buffer, input.data(), n);
    input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<ssize_t>(n);
  }
  ssize_t Write(int, const void* bytes, std::size_t size) override {
    if (Enter("write")) return -1;
    const std::size_t n = std::min({size, writeRoom, largestWrite});
    if (n == 0) return errno = EAGAIN, -1;
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    written.insert(written.end(), first, first + n);
    writeRoom -= n;
    return static_cast<ssize_t>(n);
  }
  int ClockGetTime(timespec& now) override {
    now = {static_cast<time_t>(nowNs / 1'000'000'000), static_cast<long>(nowNs % 1'000'000'000)};
    return 0;
  }
  int SleepUntil(const timespec&) override { return 0; }
  int Stat(const char*, struct stat& status) override {
    status = {};
    status.st_gid = 20;
    return status.st_mode = S_IFCHR | 0660, 0;
  }
  std::optional<std::string> GroupName(gid_t group) override {
    return group == 20 ? std::optional<std::string>("dialout") : std::nullopt;
  }
  std::optional<UserEntry> CurrentUser() override { return UserEntry{"ada", 100}; }
  std::vector<gid_t> ProcessGroups() override { return {100}; }
  std::vector<gid_t> UserGroups(const UserEntry&) override { return userGroups; }

 private:
  // True (errno set) when this call, named as in C, is to fail.
  bool Enter(const std::string& call) {
    auto& [error, times] = failures_[call];
    if (times == 0) return false;
    --times;
    errno = error;
    return true;
  }

  std::map<std::string, std::pair<int, int>> failures_;  // error, times
};

}  // namespace kvx::test
