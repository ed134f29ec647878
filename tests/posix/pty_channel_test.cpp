// The POSIX port on a real pseudo-terminal: this process holds the master end and plays the
// device.
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link/posix/posix_serial_channel.h"
#include "link/posix/termios2_record.h"

namespace kvx {
namespace {

using ::testing::HasSubstr;

// Each ReadOne gives up after about 110 ms; this many cover any loaded machine.
constexpr int kReadAttempts = 100;

class PtyChannel : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[128] = {};
    ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
    slaveName_ = name;
    ASSERT_TRUE(channel_.OpenPort(slaveName_)) << channel_.LastError();
  }

  void TearDown() override {
    channel_.ClosePort();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }

  PortRead ReadArriving(std::uint8_t& byte) {
    PortRead result = PortRead::kTimeout;
    for (int i = 0; i < kReadAttempts && result == PortRead::kTimeout; ++i) {
      result = channel_.ReadOne(byte);
    }
    return result;
  }

  void SendFromDevice(const std::string& bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  int master_ = -1;
  int slave_ = -1;
  std::string slaveName_;
  PosixSerialChannel channel_;
};

TEST_F(PtyChannel, OpensRawAt9600) {
  termios settings{};
  ASSERT_EQ(tcgetattr(master_, &settings), 0);
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(settings.c_oflag & OPOST, 0u);
  EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));
}

TEST_F(PtyChannel, BytesPassBothWaysUnaltered) {
  SendFromDevice(std::string("\x10\x02\r\n\x00\xff", 6));
  std::string received;
  std::uint8_t byte = 0;
  while (received.size() < 6 && ReadArriving(byte) == PortRead::kByte) {
    received.push_back(static_cast<char>(byte));
  }
  EXPECT_EQ(received, std::string("\x10\x02\r\n\x00\xff", 6));

  const std::uint8_t block[] = {0x10, 0x0A, 0x0D, 0x11, 0x13};
  ASSERT_EQ(channel_.WriteBlock(block, sizeof block), static_cast<long>(sizeof block));
  std::uint8_t echoed[sizeof block] = {};
  ASSERT_EQ(read(master_, echoed, sizeof echoed), static_cast<ssize_t>(sizeof block));
  EXPECT_EQ(std::string(echoed, echoed + sizeof echoed), std::string(block, block + sizeof block));
}

TEST_F(PtyChannel, ReadWithNothingArrivingTimesOut) {
  std::uint8_t byte = 0;
  EXPECT_EQ(channel_.ReadOne(byte), PortRead::kTimeout);
  EXPECT_TRUE(channel_.ClearErrors());
}

TEST_F(PtyChannel, PurgeDropsBytesAlreadyRead) {
  SendFromDevice("abc");
  std::uint8_t byte = 0;
  ASSERT_EQ(ReadArriving(byte), PortRead::kByte);
  channel_.PurgeInput();
  SendFromDevice("z");
  ASSERT_EQ(ReadArriving(byte), PortRead::kByte);
  EXPECT_EQ(byte, 'z');
}

// CI runs as root, which TIOCEXCL does not stop; the lock must.
TEST_F(PtyChannel, SecondOpenerIsRefusedAsInUse) {
  PosixSerialChannel second;
  EXPECT_FALSE(second.OpenPort(slaveName_));
  EXPECT_THAT(second.LastError(), HasSubstr("in use by another program"));
  EXPECT_THAT(second.LastError(), HasSubstr(slaveName_));

  channel_.ClosePort();
  EXPECT_TRUE(second.OpenPort(slaveName_)) << second.LastError();
}

TEST_F(PtyChannel, RateZeroIsRefusedAndTheRateKept) {
  EXPECT_FALSE(channel_.ApplyRate(0));
  termios settings{};
  ASSERT_EQ(tcgetattr(master_, &settings), 0);
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));
}

TEST_F(PtyChannel, StandardAndOtherRatesAreTaken) {
  ASSERT_TRUE(channel_.ApplyRate(115200));
  termios settings{};
  ASSERT_EQ(tcgetattr(master_, &settings), 0);
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B115200));

  ASSERT_TRUE(channel_.ApplyRate(250000));
  Termios2Record record;
  ASSERT_EQ(ioctl(master_, Termios2Record::ReadRequest(), record.Data()), 0);
  EXPECT_EQ(record.OutputRate(), 250000u);
}

TEST_F(PtyChannel, OtherEndClosingFailsThePort) {
  close(master_);
  master_ = -1;
  std::uint8_t byte = 0;
  EXPECT_EQ(ReadArriving(byte), PortRead::kFailed);
  EXPECT_FALSE(channel_.ClearErrors());
}

TEST(PtyChannelOpen, MissingDeviceIsNamed) {
  PosixSerialChannel channel;
  EXPECT_FALSE(channel.OpenPort("/dev/kvx-no-such-port"));
  EXPECT_THAT(channel.LastError(), HasSubstr("/dev/kvx-no-such-port: there is no such device"));
}

TEST(PtyChannelOpen, NonTerminalIsRefused) {
  PosixSerialChannel channel;
  EXPECT_FALSE(channel.OpenPort("/dev/null"));
  EXPECT_EQ(channel.LastError(), "Cannot use /dev/null: it is not a serial port.");
}

}  // namespace
}  // namespace kvx
