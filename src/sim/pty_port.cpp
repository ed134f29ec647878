#include "sim/pty_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace kvx::sim {

namespace {

Failure SystemFailure(const char* what) {
  return {std::string(what) + ": " + std::strerror(errno), {}};
}

// Raw 8N1 without echo or any translation, so every byte passes as it is.
Result<void> MakeRaw(int fd) {
  struct termios settings {};
  if (tcgetattr(fd, &settings) != 0) return SystemFailure("tcgetattr on the pseudo-terminal");
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  if (tcsetattr(fd, TCSANOW, &settings) != 0) {
    return SystemFailure("tcsetattr on the pseudo-terminal");
  }
  return {};
}

Result<std::string> UnlockedSlave(int master) {
  if (grantpt(master) != 0) return SystemFailure("grantpt");
  if (unlockpt(master) != 0) return SystemFailure("unlockpt");
  std::array<char, 128> name{};
  if (ptsname_r(master, name.data(), name.size()) != 0) return SystemFailure("ptsname");
  if (Result<void> raw = MakeRaw(master); !raw) return raw.failure();
  return std::string(name.data());
}

}  // namespace

Result<void> PtyPort::Open() {
  Close();
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (master_ < 0) return SystemFailure("posix_openpt");
  Result<std::string> slave = UnlockedSlave(master_);
  if (!slave) {
    Close();
    return slave.failure();
  }
  slavePath_ = std::move(slave).value();
  return {};
}

PtyPort::~PtyPort() {
  Close();
}

void PtyPort::Close() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

}  // namespace kvx::sim
