// No <termios.h> here, nor anything that includes it: <asm/termbits.h> defines a struct
// termios of its own.
#include "link/posix/termios2_record.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cstring>

namespace kvx {
namespace {

static_assert(sizeof(termios2) <= Termios2Record::kStorageBytes, "termios2 outgrew its storage");

termios2 Load(const unsigned char* storage) {
  termios2 settings;
  std::memcpy(&settings, storage, sizeof settings);
  return settings;
}

}  // namespace

unsigned long Termios2Record::ReadRequest() {
  return TCGETS2;
}
unsigned long Termios2Record::WriteRequest() {
  return TCSETS2;
}

std::uint32_t Termios2Record::OutputRate() const {
  return Load(storage_).c_ospeed;
}

void Termios2Record::SetRate(std::uint32_t bitsPerSecond) {
  termios2 settings = Load(storage_);
  settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  settings.c_cflag |= static_cast<tcflag_t>(BOTHER | (BOTHER << IBSHIFT));
  settings.c_ispeed = bitsPerSecond;
  settings.c_ospeed = bitsPerSecond;
  std::memcpy(storage_, &settings, sizeof settings);
}

}  // namespace kvx
