#include "sim/pty_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace kvx::sim {

namespace {

[[noreturn]] void ThrowSystemError(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Raw 8N1 without echo or any translation, so every byte passes as it is.
void MakeRaw(int fd) {
  struct termios settings {};
  if (tcgetattr(fd, &settings) != 0) ThrowSystemError("tcgetattr on the pseudo-terminal");
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  if (tcsetattr(fd, TCSANOW, &settings) != 0) {
    ThrowSystemError("tcsetattr on the pseudo-terminal");
  }
}

}  // namespace

PtyPort::PtyPort() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (master_ < 0) ThrowSystemError("posix_openpt");
  try {
    if (grantpt(master_) != 0) ThrowSystemError("grantpt");
    if (unlockpt(master_) != 0) ThrowSystemError("unlockpt");
    std::array<char, 128> name{};
    if (ptsname_r(master_, name.data(), name.size()) != 0) ThrowSystemError("ptsname");
    slavePath_ = name.data();
    MakeRaw(master_);
  } catch (...) {
    close(master_);
    throw;
  }
}

PtyPort::~PtyPort() {
  Close();
}

void PtyPort::Close() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

}  // namespace kvx::sim
