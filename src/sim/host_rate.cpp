// Kept apart from every file that includes <termios.h>: the kernel's termios2 comes from
// <asm/termbits.h>, whose definitions clash with the C library's.
#include "sim/host_rate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace kvx::sim {

std::uint32_t ReadHostRate(int masterFd) {
  struct termios2 settings {};
  if (ioctl(masterFd, TCGETS2, &settings) != 0) return 0;
  return settings.c_ospeed;
}

}  // namespace kvx::sim
