// Opening the POSIX port through the injected system: the settings it makes, the guards
// against a second opener, and what the user is told when it fails.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>

#include <cerrno>

#include <gtest/gtest.h>

#include "case_name.h"
#include "fake_posix_system.h"
#include "link/posix/posix_serial_channel.h"

namespace kvx::test {
namespace {

constexpr gid_t kDialout = 20;
constexpr gid_t kUsers = 100;

// A device in group dialout, read-write for the group, and a user "ada".
void SetUpDialoutDevice(FakePosixSystem& system) {
  system.device.st_gid = kDialout;
  system.device.st_mode = S_IFCHR | 0660;
  system.groupNames = {{kDialout, "dialout"}, {kUsers, "users"}};
  system.user = UserEntry{"ada", kUsers};
  system.processGroups = {kUsers};
  system.userGroups = {kUsers};
}

TEST(PosixChannelOpen, OpensNonBlockingExclusiveRawAt9600WithModemLinesOff) {
  FakePosixSystem system;
  system.settings.c_lflag |= ICANON | ECHO;
  system.settings.c_iflag |= IXON | IXOFF | ICRNL;
  system.settings.c_cflag |= CRTSCTS | PARENB | CSTOPB;
  PosixSerialChannel channel(system);

  ASSERT_TRUE(channel.OpenPort("/dev/ttyUSB0")) << channel.LastError();

  EXPECT_EQ(system.openedPath, "/dev/ttyUSB0");
  EXPECT_EQ(system.openFlags, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  EXPECT_EQ(system.lockOperation, LOCK_EX | LOCK_NB);
  EXPECT_EQ(system.CountOf(Call::kExclusive), 1);
  const termios& s = system.settings;
  EXPECT_EQ(s.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(s.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(s.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(s.c_iflag & (IXON | IXOFF | ICRNL), 0u);
  EXPECT_EQ(s.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(cfgetispeed(&s), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetospeed(&s), static_cast<speed_t>(B9600));
  EXPECT_EQ(system.clearedModemLines, TIOCM_DTR | TIOCM_RTS);
  EXPECT_EQ(system.openDescriptors, 1);
}

TEST(PosixChannelOpen, CloseUnlocksAndClosesOnceAndDestructorCloses) {
  FakePosixSystem system;
  {
    PosixSerialChannel channel(system);
    ASSERT_TRUE(channel.OpenPort("/dev/ttyUSB0"));
    channel.ClosePort();
    EXPECT_EQ(system.lockOperation, LOCK_UN);
    EXPECT_EQ(system.openDescriptors, 0);
    channel.ClosePort();
    EXPECT_EQ(system.CountOf(Call::kClose), 1);
    ASSERT_TRUE(channel.OpenPort("/dev/ttyUSB0"));
  }
  EXPECT_EQ(system.openDescriptors, 0);
}

struct SetupFailureCase {
  const char* name;
  Call call;
  int error;
  const char* expected;
};

class PosixChannelSetupFailure : public ::testing::TestWithParam<SetupFailureCase> {};

// Whatever fails after open(), the descriptor must not leak and the user learns why.
TEST_P(PosixChannelSetupFailure, ClosesTheDeviceAndSaysWhy) {
  const SetupFailureCase& c = GetParam();
  FakePosixSystem system;
  system.Fail(c.call, c.error);
  PosixSerialChannel channel(system);

  EXPECT_FALSE(channel.OpenPort("/dev/ttyUSB0"));

  EXPECT_EQ(system.openDescriptors, 0);
  EXPECT_EQ(channel.LastError(), c.expected);
  EXPECT_FALSE(channel.ClearErrors());
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, PosixChannelSetupFailure,
    ::testing::Values(
        SetupFailureCase{"LockHeld", Call::kFlock, EWOULDBLOCK,
                         "Cannot open /dev/ttyUSB0: it is in use by another program. Close "
                         "that program and try again."},
        SetupFailureCase{"LockUnavailable", Call::kFlock, ENOLCK,
                         "Cannot lock /dev/ttyUSB0 for exclusive use: No locks available."},
        SetupFailureCase{"ExclusiveBusy", Call::kExclusive, EBUSY,
                         "Cannot open /dev/ttyUSB0: it is in use by another program. Close "
                         "that program and try again."},
        SetupFailureCase{"NotATerminal", Call::kTcGetAttr, ENOTTY,
                         "Cannot use /dev/ttyUSB0: it is not a serial port."},
        SetupFailureCase{"SettingsRefused", Call::kTcSetAttr, EINVAL,
                         "Cannot set /dev/ttyUSB0 to 9600 baud, 8 data bits, no parity, 1 stop "
                         "bit: Invalid argument."},
        SetupFailureCase{"ModemLinesFail", Call::kModemClear, EIO,
                         "Cannot switch off DTR and RTS on /dev/ttyUSB0: Input/output error."}),
    CaseName());

class PosixChannelModemLines : public ::testing::TestWithParam<int> {};

// A pseudo-terminal has no modem lines; refusing to clear them is no reason to fail.
TEST_P(PosixChannelModemLines, PseudoTerminalAnswerIsIgnored) {
  FakePosixSystem system;
  system.Fail(Call::kModemClear, GetParam());
  PosixSerialChannel channel(system);

  EXPECT_TRUE(channel.OpenPort("/dev/pts/3")) << channel.LastError();
  EXPECT_EQ(system.openDescriptors, 1);
}

INSTANTIATE_TEST_SUITE_P(NoModemLines, PosixChannelModemLines, ::testing::Values(ENOTTY, EINVAL));

struct OpenFailureCase {
  const char* name;
  const char* port;
  int error;
  void (*arrange)(FakePosixSystem&);
  const char* expected;
};

class PosixChannelOpenFailure : public ::testing::TestWithParam<OpenFailureCase> {};

TEST_P(PosixChannelOpenFailure, SaysWhyAndWhatToDo) {
  const OpenFailureCase& c = GetParam();
  FakePosixSystem system;
  SetUpDialoutDevice(system);
  c.arrange(system);
  system.Fail(Call::kOpen, c.error);
  PosixSerialChannel channel(system);

  EXPECT_FALSE(channel.OpenPort(c.port));

  EXPECT_EQ(channel.LastError(), c.expected);
  EXPECT_EQ(system.CountOf(Call::kClose), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, PosixChannelOpenFailure,
    ::testing::Values(
        OpenFailureCase{"Missing", "/dev/ttyUSB7", ENOENT, [](FakePosixSystem&) {},
                        "Cannot open /dev/ttyUSB7: there is no such device. Check that the "
                        "adapter is plugged in and that the port name is right."},
        OpenFailureCase{"MissingDefaultCom", "\\\\.\\COM3", ENOENT, [](FakePosixSystem&) {},
                        "Cannot open COM3 (/dev/ttyS2): there is no such device. Check that "
                        "the adapter is plugged in and that the port name is right. To use "
                        "another device as COM3, set KVXSETUP_COM3 to its path."},
        OpenFailureCase{"NoUartBehindName", "/dev/ttyS5", EIO, [](FakePosixSystem&) {},
                        "Cannot open /dev/ttyS5: there is no such device (the name exists, "
                        "but no serial hardware answers behind it). Check that the adapter is "
                        "plugged in and that the port name is right."},
        OpenFailureCase{"ComZeroIsOpenedAsGiven", "\\\\.\\COM0", ENOENT, [](FakePosixSystem&) {},
                        "Cannot open \\\\.\\COM0: there is no such device. Check that the "
                        "adapter is plugged in and that the port name is right."},
        OpenFailureCase{"Busy", "/dev/ttyUSB0", EBUSY, [](FakePosixSystem&) {},
                        "Cannot open /dev/ttyUSB0: it is in use by another program. Close "
                        "that program and try again."},
        OpenFailureCase{"JoinedGroupAfterLogin", "/dev/ttyUSB0", EACCES,
                        [](FakePosixSystem& s) {
                          s.userGroups = {kUsers, kDialout};
                        },
                        "Cannot open /dev/ttyUSB0: permission denied. It belongs to group "
                        "'dialout', and user 'ada' was added to that group after this session "
                        "began: a fresh login is needed. Log out and in again."},
        OpenFailureCase{"NotInGroup", "/dev/ttyUSB0", EACCES, [](FakePosixSystem&) {},
                        "Cannot open /dev/ttyUSB0: permission denied. It belongs to group "
                        "'dialout', and user 'ada' is not a member. Add the user to that group "
                        "(for example: sudo usermod -aG dialout ada), then log out and in "
                        "again."},
        OpenFailureCase{"UnnamedGroup", "/dev/ttyUSB0", EACCES,
                        [](FakePosixSystem& s) { s.groupNames.clear(); },
                        "Cannot open /dev/ttyUSB0: permission denied. It belongs to group "
                        "'20', and user 'ada' is not a member. Add the user to that group (for "
                        "example: sudo usermod -aG 20 ada), then log out and in again."},
        OpenFailureCase{"AlreadyInGroup", "/dev/ttyUSB0", EACCES,
                        [](FakePosixSystem& s) {
                          s.processGroups = {kUsers, kDialout};
                        },
                        "Cannot open /dev/ttyUSB0: permission denied. This program already "
                        "runs as a member of its group 'dialout', so something else denies "
                        "access (an access control list or security policy)."},
        OpenFailureCase{"GroupHasNoAccess", "/dev/ttyUSB0", EACCES,
                        [](FakePosixSystem& s) { s.device.st_mode = S_IFCHR | 0600; },
                        "Cannot open /dev/ttyUSB0: permission denied. Only its owner may read "
                        "and write it, not its group 'dialout'; its permissions have to be "
                        "changed."},
        OpenFailureCase{"UnknownUser", "/dev/ttyUSB0", EACCES,
                        [](FakePosixSystem& s) { s.user.reset(); },
                        "Cannot open /dev/ttyUSB0: permission denied. It belongs to group "
                        "'dialout'; this program's user must be a member."},
        OpenFailureCase{"DeviceUnreadable", "/dev/ttyUSB0", EACCES,
                        [](FakePosixSystem& s) { s.Fail(Call::kStat, EACCES); },
                        "Cannot open /dev/ttyUSB0: permission denied. Ask the administrator "
                        "for read and write access to it."}),
    CaseName());

}  // namespace
}  // namespace kvx::test
