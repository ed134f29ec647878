#include "sim/host_watch.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace kvx::sim {

Result<void> HostWatch::Watch(const std::string& slavePath) {
  // Opened before the watch starts, so the simulator's own descriptor is not counted as a host.
  slave_ = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ < 0) return Failure{"open " + slavePath + ": " + std::strerror(errno), {}};
  inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ < 0 || inotify_add_watch(inotify_, slavePath.c_str(), IN_OPEN | IN_CLOSE) < 0) {
    return Failure{"inotify on " + slavePath + ": " + std::strerror(errno), {}};
  }
  return {};
}

HostWatch::~HostWatch() {
  if (inotify_ >= 0) close(inotify_);
  if (slave_ >= 0) close(slave_);
}

bool HostWatch::HostLeft() {
  if (!TakeEvents()) return false;
  tcflush(slave_, TCIFLUSH);
  ClearOrphanedMark();
  return true;
}

// An open is told before the open() returns, so a host's open always comes before anything it
// does with the terminal; a failed open is not told at all.
bool HostWatch::TakeEvents() {
  bool lastClosed = false;
  alignas(inotify_event) std::array<char, 4096> buffer;
  for (;;) {
    const ssize_t got = read(inotify_, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return lastClosed;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
      if ((event->mask & IN_OPEN) != 0) ++openers_;
      if ((event->mask & IN_CLOSE) != 0 && openers_ > 0) lastClosed |= --openers_ == 0;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

void HostWatch::ClearOrphanedMark() {
  int marked = 0;
  if (openers_ > 0 || ioctl(slave_, TIOCGEXCL, &marked) != 0 || marked == 0) return;
  // A host that marked the terminal before the mark was read opened it before, and its open
  // is among the events taken now. From the read on, the mark keeps every opener but root out;
  // a root host opening in that moment loses the mark, keeping its lock (flock), which is what
  // keeps our own programs out anyway.
  TakeEvents();
  if (openers_ == 0) ioctl(slave_, TIOCNXCL);
}

}  // namespace kvx::sim
