#include "fake_posix_system.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "link/posix/termios2_record.h"

namespace kvx::test {
namespace {

constexpr std::int64_t kNsPerMs = 1'000'000;

// The rates the tests use; a driver model needs no more.
std::uint32_t RateOfSpeed(speed_t speed) {
  constexpr std::pair<speed_t, std::uint32_t> kRates[] = {
      {B9600, 9600}, {B19200, 19200}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
  for (const auto& [constant, bitsPerSecond] : kRates) {
    if (constant == speed) return bitsPerSecond;
  }
  return 0;
}

}  // namespace

FakePosixSystem::FakePosixSystem() {
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
}

void FakePosixSystem::Fail(Call call, int error, int times) {
  failures_[call] = {error, times};
}

void FakePosixSystem::Receive(std::vector<std::uint8_t> bytes) {
  input_.push_back(std::move(bytes));
}

void FakePosixSystem::ReceiveDuringPoll(std::vector<std::uint8_t> bytes) {
  arrivingDuringPoll_.push_back(std::move(bytes));
}

int FakePosixSystem::CountOf(Call call) const {
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

bool FakePosixSystem::ReadWouldFail() const {
  const auto failure = failures_.find(Call::kRead);
  return failure != failures_.end() && failure->second.times > 0 &&
         failure->second.error != EAGAIN && failure->second.error != EINTR;
}

bool FakePosixSystem::Enter(Call call) {
  calls.push_back(call);
  const auto failure = failures_.find(call);
  if (failure == failures_.end() || failure->second.times == 0) return false;
  --failure->second.times;
  errno = failure->second.error;
  return true;
}

Call FakePosixSystem::IoctlCall(unsigned long request) const {
  if (request == TIOCEXCL) return Call::kExclusive;
  if (request == TIOCMBIC) return Call::kModemClear;
  if (request == Termios2Record::ReadRequest()) return Call::kReadRecord;
  return Call::kWriteRecord;
}

void FakePosixSystem::SetRate(std::uint32_t bitsPerSecond) {
  rate = fastestRate ? std::min(bitsPerSecond, *fastestRate) : bitsPerSecond;
}

int FakePosixSystem::Open(const char* path, int flags) {
  openedPath = path;
  if (Enter(Call::kOpen)) return -1;
  openFlags = flags;
  ++openDescriptors;
  return kFd;
}

int FakePosixSystem::Close(int) {
  if (Enter(Call::kClose)) return -1;
  --openDescriptors;
  return 0;
}

int FakePosixSystem::Flock(int, int operation) {
  if (Enter(Call::kFlock)) return -1;
  lockOperation = operation;
  return 0;
}

int FakePosixSystem::Ioctl(int, unsigned long request, void* arg) {
  const Call call = IoctlCall(request);
  if (Enter(call)) return -1;
  Termios2Record record;
  switch (call) {
    case Call::kModemClear:
      clearedModemLines = *static_cast<int*>(arg);
      break;
    case Call::kReadRecord:
      record.SetRate(rate);
      std::memcpy(arg, record.Data(), Termios2Record::kStorageBytes);
      break;
    case Call::kWriteRecord:
      std::memcpy(record.Data(), arg, Termios2Record::kStorageBytes);
      SetRate(record.OutputRate());
      break;
    default:
      break;
  }
  return 0;
}

int FakePosixSystem::TcGetAttr(int, termios& out) {
  if (Enter(Call::kTcGetAttr)) return -1;
  out = settings;
  return 0;
}

int FakePosixSystem::TcSetAttr(int, int, const termios& in) {
  if (Enter(Call::kTcSetAttr)) return -1;
  settings = in;
  SetRate(RateOfSpeed(cfgetospeed(&in)));
  return 0;
}

int FakePosixSystem::TcFlush(int, int queue) {
  if (Enter(Call::kTcFlush)) return -1;
  if (queue == TCIFLUSH || queue == TCIOFLUSH) input_.clear();
  return 0;
}

int FakePosixSystem::Poll(pollfd* fds, nfds_t, int timeoutMs) {
  if (Enter(Call::kPoll)) return -1;
  pollfd& entry = fds[0];
  if (!pollHangUps.empty()) {
    entry.revents = pollHangUps.front();
    pollHangUps.pop_front();
    return 1;
  }
  if (!arrivingDuringPoll_.empty()) {
    input_.push_back(std::move(arrivingDuringPoll_.front()));
    arrivingDuringPoll_.pop_front();
  }
  entry.revents = 0;
  // Like the kernel, poll calls a descriptor readable when a read would not block: when
  // bytes wait, at the end of input, and when the read would fail.
  if ((entry.events & POLLIN) != 0 && (!input_.empty() || endOfInput || ReadWouldFail())) {
    entry.revents |= POLLIN;
  }
  if ((entry.events & POLLOUT) != 0 && writeRoom > 0) entry.revents |= POLLOUT;
  if (entry.revents != 0) return 1;
  nowNs += timeoutMs * kNsPerMs;
  return 0;
}

ssize_t FakePosixSystem::Read(int, void* buffer, std::size_t count) {
  if (Enter(Call::kRead)) return -1;
  if (input_.empty()) {
    if (endOfInput) return 0;
    errno = EAGAIN;
    return -1;
  }
  std::vector<std::uint8_t>& chunk = input_.front();
  const std::size_t n = std::min(count, chunk.size());
  std::memcpy(buffer, chunk.data(), n);
  chunk.erase(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
  if (chunk.empty()) input_.pop_front();
  return static_cast<ssize_t>(n);
}

ssize_t FakePosixSystem::Write(int, const void* bytes, std::size_t count) {
  if (Enter(Call::kWrite)) return -1;
  const std::size_t n = std::min({count, writeRoom, largestWrite});
  if (n == 0) {
    errno = EAGAIN;
    return -1;
  }
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  written.insert(written.end(), first, first + n);
  writeRoom -= n;
  return static_cast<ssize_t>(n);
}

int FakePosixSystem::ClockGetTime(timespec& now) {
  if (Enter(Call::kClock)) return -1;
  now.tv_sec = static_cast<time_t>(nowNs / 1'000'000'000);
  now.tv_nsec = static_cast<long>(nowNs % 1'000'000'000);
  return 0;
}

int FakePosixSystem::SleepUntil(const timespec& deadline) {
  if (Enter(Call::kSleep)) return errno;
  const std::int64_t until =
      static_cast<std::int64_t>(deadline.tv_sec) * 1'000'000'000 + deadline.tv_nsec;
  nowNs = std::max(nowNs, until);
  return 0;
}

int FakePosixSystem::Stat(const char*, struct stat& status) {
  if (Enter(Call::kStat)) return -1;
  status = device;
  return 0;
}

std::optional<std::string> FakePosixSystem::GetEnv(const char* name) {
  const auto found = environment.find(name);
  if (found == environment.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> FakePosixSystem::GroupName(gid_t group) {
  const auto found = groupNames.find(group);
  if (found == groupNames.end()) return std::nullopt;
  return found->second;
}

}  // namespace kvx::test
