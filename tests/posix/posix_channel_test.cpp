// The POSIX port with every answer of the system scripted: the settings it opens with, what
// the user is told when opening fails, and how reads, writes and rates meet signals, stalls,
// hang-ups and drivers that fall back. Then on a real pseudo-terminal, for what only the
// kernel can show.
#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <tuple>

#include <gtest/gtest.h>

#include "child_process.h"
#include "fake_posix_system.h"
#include "link/posix/posix_serial_channel.h"
#include "link/posix/termios2_record.h"

namespace kvx::test {
namespace {

TEST(PosixChannelOpen, OpensNonBlockingExclusiveRaw8N1At9600WithModemLinesOff) {
  FakePosixSystem system;
  system.settings.c_cflag = CRTSCTS | PARENB | CSTOPB;
  {
    PosixSerialChannel channel(system);
    ASSERT_TRUE(channel.OpenPort(std::string("/dev/ttyUSB0"))) << channel.LastError();
    EXPECT_EQ(system.openFlags, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_EQ(system.lockOperation, LOCK_EX | LOCK_NB);
    const termios& s = system.settings;
    EXPECT_EQ(s.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD),
              static_cast<tcflag_t>(CS8 | CLOCAL | CREAD));
    EXPECT_EQ(cfgetispeed(&s), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetospeed(&s), static_cast<speed_t>(B9600));
    EXPECT_EQ(system.modemLines, TIOCM_CD);  // DTR and RTS off; the probe's carrier is its own
  }
  // Left open, the port is unlocked, freed for other users and closed by the destructor.
  EXPECT_EQ(system.lockOperation, LOCK_UN);
  EXPECT_FALSE(system.exclusive);
  EXPECT_EQ(system.openDescriptors, 0);
  // A pseudo-terminal has no modem lines to switch off, and says so either way.
  for (const int noModemLines : {ENOTTY, EINVAL}) {
    FakePosixSystem pty;
    pty.Fail("TIOCMBIC", noModemLines);
    PosixSerialChannel channel(pty);
    EXPECT_TRUE(channel.OpenPort(std::string("/dev/pts/3"))) << channel.LastError();
  }
}

// Low latency is asked for where the driver has the setting, and put back on close; a driver
// that has none or refuses it is no failure. The driver's answer is the channel's note.
TEST(PosixChannelOpen, AsksForLowLatencyWhileOpenAndPutsTheDriversFlagsBack) {
  constexpr int kOther = ASYNC_SPD_HI;
  struct Case {
    std::optional<int> flags;
    const char* refused;  // the call that fails, if any
    std::string note;
    std::optional<int> whileOpen;
  };
  const Case cases[] = {
      {std::nullopt, "", "the driver has no latency setting (Inappropriate ioctl for device)",
       std::nullopt},
      {kOther | ASYNC_LOW_LATENCY, "", "the driver's low latency is on already",
       kOther | ASYNC_LOW_LATENCY},
      {kOther, "", "low latency switched on while the port is open", kOther | ASYNC_LOW_LATENCY},
      {kOther, "TIOCSSERIAL", "the driver refused low latency (Operation not permitted)", kOther},
      {kOther, "TIOCGSERIAL", "the driver has no latency setting (Operation not permitted)",
       kOther},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    FakePosixSystem system;
    system.serialFlags = c.flags;
    system.Fail(c.refused, EPERM);
    PosixSerialChannel channel(system);
    ASSERT_TRUE(channel.OpenPort(std::string("/dev/ttyUSB0"))) << channel.LastError();
    EXPECT_EQ(channel.DriverNote(), c.note);
    EXPECT_EQ(system.serialFlags, c.whileOpen);
    channel.ClosePort();
    EXPECT_EQ(system.serialFlags, c.flags);
  }
}

// Whatever step fails, no descriptor is left open and the user learns why and what to do.
TEST(PosixChannelOpen, FailureSaysWhyAndLeavesNothingOpen) {
  struct Case {
    const char* call;
    int error;
    std::string expected;
    ChosenPort port = std::string("/dev/ttyS0");
    bool joinedDialoutSinceLogin = false;
  };
  const Case cases[] = {
      {"TIOCEXCL", EBUSY,
       "Cannot open /dev/ttyS0: it is in use by another program. Close that program and try "
       "again."},
      {"tcgetattr", ENOTTY, "Cannot use /dev/ttyS0: it is not a serial port."},
      {"tcsetattr", EINVAL,
       "Cannot set /dev/ttyS0 to 9600 baud, 8 data bits, no parity, 1 stop bit: Invalid argument."},
      {"TIOCMBIC", EIO, "Cannot switch off DTR and RTS on /dev/ttyS0: Input/output error."},
      {"open", ENOENT,
       "Cannot open COM3 (/dev/ttyS2): there is no such device. Check that the adapter is plugged "
       "in and that the port name is right. To use another device as COM3, set KVXSETUP_COM3 to "
       "its path.",
       ChosenPort("COM3", "/dev/ttyS2", true)},
      {"open", EIO,
       "Cannot open /dev/ttyS0: there is no such device (the name exists, but no serial hardware "
       "answers behind it). Check that the adapter is plugged in and that the port name is right."},
      {"open", EACCES,
       "Cannot open /dev/ttyS0: permission denied. It belongs to group 'dialout', and user 'ada' "
       "was added to that group after this session began: a fresh login is needed. Log out and "
       "in again.",
       std::string("/dev/ttyS0"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    FakePosixSystem system;
    if (c.joinedDialoutSinceLogin) system.userGroups.push_back(20);
    system.Fail(c.call, c.error);
    PosixSerialChannel channel(system);

    EXPECT_FALSE(channel.OpenPort(c.port));
    EXPECT_EQ(channel.LastError(), c.expected);
    EXPECT_EQ(system.openDescriptors, 0);
    EXPECT_FALSE(system.exclusive);
  }
}

class PosixChannelIo : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(channel.OpenPort(std::string("/dev/ttyUSB0"))); }

  FakePosixSystem system;
  PosixSerialChannel channel{system};
  std::uint8_t byte = 0;
};

// A signal must not lose a byte; silence ends the read after its time-out, on a millisecond
// tick that wraps at 32 bits.
TEST_F(PosixChannelIo, ReadRunsOnAfterSignalsAndTimesOutOnSilence) {
  for (const char* interrupted : {"read", "poll"}) {
    SCOPED_TRACE(interrupted);
    system.Fail(interrupted, EINTR, 2);
    system.input = {0x42};
    EXPECT_EQ(channel.ReadOne(byte), PortRead::kByte);
    EXPECT_EQ(byte, 0x42);
  }
  system.nowNs = ((std::int64_t{1} << 32) + 5) * 1'000'000;
  EXPECT_EQ(channel.ReadOne(byte), PortRead::kTimeout);
  EXPECT_EQ(channel.TickMs(), 5u + 110u);
}

// A vanished device must fail the port until it is opened again, not look like silence;
// bytes that came before the hang-up are still delivered.
TEST_F(PosixChannelIo, HangUpFailsThePortUntilReopened) {
  const std::tuple<short, int, bool, int> cases[] = {
      // poll reports, read error, end of file, bytes delivered first
      {POLLHUP, 0, false, 2},
      {0, EIO, false, 0},
      {0, 0, true, 2},
  };
  for (const auto& [revents, readError, endOfInput, bytesFirst] : cases) {
    SCOPED_TRACE(testing::Message() << revents << " " << readError << " " << endOfInput);
    system.input = {0x01, 0x02};
    system.hangUp = revents;
    system.endOfInput = endOfInput;
    system.Fail("read", readError, readError != 0);
    for (int i = 0; i < bytesFirst; ++i) {
      EXPECT_EQ(channel.ReadOne(byte), PortRead::kByte);
      EXPECT_EQ(byte, i + 1);
    }
    EXPECT_EQ(channel.ReadOne(byte), PortRead::kFailed);
    EXPECT_EQ(channel.WriteBlock(&byte, 1), -1);  // nor does it come back by itself
    EXPECT_FALSE(channel.ClearErrors());
    ASSERT_TRUE(channel.OpenPort(std::string("/dev/ttyUSB0")));
    EXPECT_TRUE(channel.ClearErrors());
  }
}

TEST_F(PosixChannelIo, PurgeDiscardsWhatWeHoldAndWhatTheDriverHolds) {
  system.input = {0x01, 0x02};
  ASSERT_EQ(channel.ReadOne(byte), PortRead::kByte);
  system.input = {0x03};
  channel.PurgeInput();
  EXPECT_EQ(channel.ReadOne(byte), PortRead::kTimeout);
}

// The whole block goes out through short and interrupted writes; a port that stops taking
// bytes (flow control, a full driver) ends the write at its deadline instead of hanging.
TEST_F(PosixChannelIo, WriteDeliversWhatThePortTakesUntilTheDeadline) {
  const std::vector<std::uint8_t> block{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  system.largestWrite = 3;
  system.writeRoom = 7;
  system.Fail("write", EINTR);
  const std::int64_t start = system.nowNs;
  EXPECT_EQ(channel.WriteBlock(block.data(), block.size()), 7);
  EXPECT_EQ(system.written, std::vector<std::uint8_t>(block.begin(), block.begin() + 7));
  EXPECT_EQ(system.nowNs - start, (10 * 10 + 100) * 1'000'000);

  system.Fail("write", EIO);
  EXPECT_EQ(channel.WriteBlock(block.data(), 1), -1);
  EXPECT_FALSE(channel.ClearErrors());
}

// A rate the driver did not really take must not pass for set, and the old one must stay.
// (The pseudo-terminal below shows that rates are really set.)
TEST_F(PosixChannelIo, RateThatDidNotTakeEffectIsRefusedAndThePreviousOneKept) {
  // Each: the rate requested, the fastest the driver takes, the rate after (9600: refused).
  const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t> cases[] = {
      {250000, UINT32_MAX, 250000}, {250000, 230400, 9600}, {117000, 115200, 115200}, {0, 0, 9600}};
  for (const auto& [requested, fastestRate, rateAfter] : cases) {
    SCOPED_TRACE(requested);
    system.rate = 9600;
    system.fastestRate = fastestRate;
    EXPECT_EQ(channel.ApplyRate(requested), rateAfter != 9600);
    EXPECT_EQ(system.rate, rateAfter);
  }
}

// This process holds the master end of the pseudo-terminal and plays the device.
TEST(PtyChannel, TakesRatesTheKernelReportsBackAndFailsOnHangUp) {
  int master = -1, slave = -1;
  char name[128] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  close(slave);
  PosixSerialChannel channel;
  ASSERT_TRUE(channel.OpenPort(std::string(name))) << channel.LastError();
  // Set through the B constants or as a plain number, the kernel must report the rate back.
  for (const std::uint32_t rate : {115200u, 250000u}) {
    ASSERT_TRUE(channel.ApplyRate(rate));
    Termios2Record record;
    ASSERT_EQ(ioctl(master, Termios2Record::ReadRequest(), record.Data()), 0);
    EXPECT_EQ(record.OutputRate(), rate);
  }

  close(master);
  std::uint8_t byte = 0;
  EXPECT_EQ(channel.ReadOne(byte), PortRead::kFailed);
  EXPECT_FALSE(channel.ClearErrors());
}

// What a plain open of `path` by an ordinary user meets.
std::string OpenAsOrdinaryUser(const std::string& path) {
  const auto open = [&path] {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::string(std::strerror(errno));
    close(fd);
    return std::string("opened");
  };
  return RunInChild(open, {true}).value_or("could not run as an ordinary user");
}

// The exclusive-use mark keeps every other opener but root out while the port is ours, and
// goes with the close.
TEST(PtyChannel, KeepsOthersOutUntilClosed) {
  int master = -1, slave = -1;
  char name[128] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  close(slave);
  ASSERT_EQ(chmod(name, 0666), 0);
  PosixSerialChannel channel;
  ASSERT_TRUE(channel.OpenPort(std::string(name))) << channel.LastError();
  EXPECT_EQ(OpenAsOrdinaryUser(name), "Device or resource busy");
  channel.ClosePort();
  EXPECT_EQ(OpenAsOrdinaryUser(name), "opened");
  close(master);
}

}  // namespace
}  // namespace kvx::test
