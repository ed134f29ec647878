#include "sim/pty_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/exchange_log.h"
#include "sim/host_rate.h"

namespace kvx::sim {

namespace {

constexpr std::size_t kReadChunk = 4096;

// In microseconds, not poll()'s milliseconds: a paced reply that leaves up to a millisecond
// late adds a fifth to the 5 ms exchange of a 32-byte record at 115200 baud.
long MicrosecondsUntil(Clock::time_point now, Clock::time_point then) {
  if (then <= now) return 0;
  // Rounded up, so the wait never ends before the moment it waits for.
  const auto wait = std::chrono::ceil<std::chrono::microseconds>(then - now).count();
  return static_cast<long>(std::min<decltype(wait)>(wait, 60'000'000));
}

void Log(const SimulatorOptions& options, const std::string& line) {
  std::fprintf(stderr, "%s: %s\n", options.logName.c_str(), line.c_str());
}

}  // namespace

Result<std::unique_ptr<PtySimulator>> PtySimulator::Start(SimulatorOptions options) {
  if (Result<void> checked = CheckOptions(options); !checked) return checked.failure();
  std::unique_ptr<PtySimulator> simulator(new PtySimulator(std::move(options)));
  if (Result<void> opened = simulator->Open(); !opened) return opened.failure();
  return simulator;
}

PtySimulator::PtySimulator(SimulatorOptions options)
    : options_(std::move(options)), engine_(options_), rate_(options_.rate) {}

Result<void> PtySimulator::Open() {
  if (Result<void> port = port_.Open(); !port) return port;
  if (Result<void> watch = host_.Watch(port_.SlavePath()); !watch) return watch;
  if (!options_.statePath.empty()) {
    if (Result<void> loaded = LoadDeviceState(options_.statePath, engine_.Device()); !loaded)
      return loaded;
  }
  std::array<int, 2> pipe{};
  if (pipe2(pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
    return Failure{std::string("pipe2: ") + std::strerror(errno), {}};
  }
  wakeRead_ = pipe[0];
  wakeWrite_ = pipe[1];
  return {};
}

PtySimulator::~PtySimulator() {
  if (wakeRead_ >= 0) close(wakeRead_);
  if (wakeWrite_ >= 0) close(wakeWrite_);
}

void PtySimulator::Run() {
  // The kernel may let a timed wait overrun by its timer slack, 50 us by default; paced
  // replies are due to the microsecond.
  if (options_.pace) prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  while (!stopRequested_.load()) ServeOnce();
}

void PtySimulator::Stop() {
  stopRequested_.store(true);
  const char wake = 0;
  const ssize_t ignored = write(wakeWrite_, &wake, 1);  // a full pipe already wakes Run()
  (void)ignored;
}

void PtySimulator::ServeOnce() {
  Wait wait = PrepareWait();
  const timespec timeout{wait.timeoutUs / 1'000'000, wait.timeoutUs % 1'000'000 * 1000};
  const int ready =
      ppoll(wait.fds.data(), wait.fds.size(), wait.timeoutUs < 0 ? nullptr : &timeout, nullptr);
  if (ready <= 0) return;
  if (wait.fds[0].revents != 0) DrainWakePipe();
  const std::lock_guard<std::mutex> lock(mutex_);
  // A host that left is done with before the port is read, so nothing meant for it reaches
  // the one that opened the port after it.
  if (wait.fds[2].revents != 0 && host_.HostLeft()) HostGone();
  HandlePortEvents(wait.fds[1].revents);
}

PtySimulator::Wait PtySimulator::PrepareWait() {
  const std::lock_guard<std::mutex> lock(mutex_);
  const Clock::time_point now = Clock::now();
  UpdateRate(now, 0);
  WriteDueReplies(now);
  Wait wait;
  wait.fds[0] = {wakeRead_, POLLIN, 0};
  wait.fds[1] = {port_.Fd(), static_cast<short>(POLLIN | (writeBlocked_ ? POLLOUT : 0)), 0};
  wait.fds[2] = {host_.Fd(), POLLIN, 0};
  wait.timeoutUs = WaitMicroseconds(now);
  return wait;
}

void PtySimulator::HandlePortEvents(short events) {
  if ((events & POLLOUT) != 0) writeBlocked_ = false;
  if ((events & POLLIN) != 0) ReadFromHost();
}

long PtySimulator::WaitMicroseconds(Clock::time_point now) const {
  std::optional<Clock::time_point> wake = rate_.NextSwitch();
  if (!queue_.Empty() && !writeBlocked_) {
    const Clock::time_point due = queue_.Front().due;
    wake = wake ? std::min(*wake, due) : due;
  }
  return wake ? MicrosecondsUntil(now, *wake) : -1;
}

void PtySimulator::ReadFromHost() {
  std::array<std::uint8_t, kReadChunk> buffer;
  const ssize_t received = read(port_.Fd(), buffer.data(), buffer.size());
  // Nothing yet (EAGAIN, EINTR); the master never reads an end, its slave being held open.
  if (received <= 0) return;
  const std::size_t n = static_cast<std::size_t>(received);
  const Clock::time_point now = Clock::now();
  const std::uint32_t hostRate = ReadHostRate(port_.Fd());
  UpdateRate(now, hostRate);
  const std::uint32_t rate = rate_.Current();
  if (hostRate != rate) {
    counters_.mismatchedBytes += n;
    engine_.LineNoise();
    if (options_.verbose) {
      Log(options_, std::to_string(n) + " bytes at " + std::to_string(hostRate) + " baud while " +
                        "listening at " + std::to_string(rate) + ": line noise");
    }
    return;
  }
  engine_.Feed(buffer.data(), n,
               [&](const Transmission& transmission) { Enqueue(transmission, now, rate); });
  WriteDueReplies(Clock::now());
}

void PtySimulator::Enqueue(const Transmission& transmission, Clock::time_point arrival,
                           std::uint32_t rate) {
  if (options_.verbose) Log(options_, DescribeTransmission(transmission));
  if (transmission.faults.unplug) {
    Unplug();
    return;
  }
  queue_.Schedule(transmission, arrival, rate, options_.pace);
}

void PtySimulator::WriteDueReplies(Clock::time_point now) {
  while (port_.Fd() >= 0 && !queue_.Empty() && !writeBlocked_) {
    OutputQueue::Item& item = queue_.Front();
    if (item.due > now) return;
    if (!item.started) item.started = now;
    while (item.written < item.wire.size()) {
      const ssize_t sent =
          write(port_.Fd(), item.wire.data() + item.written, item.wire.size() - item.written);
      if (sent < 0 && errno == EINTR) continue;
      if (sent < 0 && errno == EAGAIN) {
        writeBlocked_ = true;
        return;
      }
      if (sent < 0) {
        HostGone();
        return;
      }
      item.written += static_cast<std::size_t>(sent);
    }
    if (!item.wire.empty()) ++counters_.repliesWritten;
    queue_.PopSent(rate_);
  }
}

// A pulled cable: the line is gone for good, and the simulator stops serving.
void PtySimulator::Unplug() {
  port_.Close();
  queue_.Clear();
  stopRequested_.store(true);
}

void PtySimulator::HostGone() {
  ++counters_.hostHangups;
  if (options_.verbose) Log(options_, "host closed the port; waiting for the next opener");
  queue_.Clear();
  writeBlocked_ = false;
  engine_.LineNoise();
}

void PtySimulator::UpdateRate(Clock::time_point now, std::uint32_t hostRate) {
  if (!rate_.Update(now, hostRate)) return;
  engine_.SetListenRate(rate_.Current());
  if (options_.verbose)
    Log(options_, "now listening at " + std::to_string(rate_.Current()) + " baud");
}

void PtySimulator::DrainWakePipe() {
  std::array<char, 64> sink{};
  while (read(wakeRead_, sink.data(), sink.size()) > 0) {
  }
}

std::vector<std::uint8_t> PtySimulator::ReadFlash(std::uint32_t address, std::size_t n) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return engine_.Device().flash.Read(address, n);
}

std::string PtySimulator::FuseRow(std::size_t row) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return engine_.Device().logic.Row(row);
}

bool PtySimulator::InLogicIsp() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return engine_.Device().logic.InIsp();
}

std::uint32_t PtySimulator::ListenRate() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return rate_.Current();
}

SimulatorCounters PtySimulator::Counters() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  SimulatorCounters counters = counters_;
  counters.engine = engine_.Counters();
  return counters;
}

std::vector<ProgramRecord> PtySimulator::ProgramLog() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return engine_.ProgramLog();
}

Result<void> PtySimulator::SaveState() const {
  if (options_.statePath.empty()) return {};
  const std::lock_guard<std::mutex> lock(mutex_);
  return SaveDeviceState(options_.statePath, engine_.Device());
}

}  // namespace kvx::sim
