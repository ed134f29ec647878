#include "link/posix/line_settings.h"

namespace kvx {
namespace {

struct SpeedEntry {
  std::uint32_t bitsPerSecond;
  speed_t constant;
};

constexpr SpeedEntry kStandardSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// Two percent: half of what two UARTs together may be off before bits are misread.
constexpr std::uint64_t kToleranceDivisor = 50;

}  // namespace

void MakeRawEightNoneOne(termios& settings) {
  cfmakeraw(&settings);
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  // With VMIN 0 an empty non-blocking read returns 0, which we could not tell from a
  // hang-up; with VMIN 1 it fails with EAGAIN. Waiting is done with poll() anyway.
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
}

std::optional<speed_t> StandardSpeed(std::uint32_t bitsPerSecond) {
  for (const SpeedEntry& entry : kStandardSpeeds) {
    if (entry.bitsPerSecond == bitsPerSecond) return entry.constant;
  }
  return std::nullopt;
}

bool RateIsClose(std::uint32_t requested, std::uint32_t effective) {
  const std::uint64_t difference =
      requested > effective ? requested - effective : effective - requested;
  return difference * kToleranceDivisor <= requested;
}

}  // namespace kvx
