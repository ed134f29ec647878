#include <grp.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "child_process.h"
#include "connected_probe.h"

namespace kvx {
namespace {

using test::SimulatedProbe;

// Root included: the lock keeps a second opener out even where the exclusive mark does not.
TEST(ProbeLinkOverPty, ASecondProgramCannotOpenThePortInUse) {
  test::ConnectedProbe connected;
  ASSERT_EQ(connected.startup, kOk);
  PosixSerialChannel intruder;
  EXPECT_FALSE(intruder.OpenPort(connected.probe->SlavePath()));
  EXPECT_THAT(intruder.LastError(), ::testing::HasSubstr("in use"));
}

std::string OpenPort(const std::string& path) {
  PosixSerialChannel port;
  return port.OpenPort(path) ? "" : port.LastError();
}

// A pseudo-terminal lives on while its other end is open, and so would a mark left on it.
std::string OpenCloseAndReopenAPty() {
  const test::UnansweredPty pty;
  const std::string first = OpenPort(pty.path);
  return first.empty() ? OpenPort(pty.path) : first;
}

// Every attempt of a Connect after the first, and a Connect after OK, opens the port again.
std::string ConnectTwiceToTheSimulator() {
  SimulatedProbe probe;
  PosixSerialChannel port;
  ProbeLink link(port);
  for (int attempt = 1; attempt <= 2; ++attempt) {
    if (ConnectProbeLink(link, probe->SlavePath(), 115200) != kOk) return port.LastError();
    CloseProbeLink(link);
  }
  return "";
}

TEST(PortAsUnprivilegedUser, OpensAgainAfterClosingAndNamesWhatDeniesAccess) {
  // A device that only its owner, root, and its group, dialout, may use.
  const test::UnansweredPty denied;
  const group* dialout = getgrnam("dialout");
  ASSERT_NE(dialout, nullptr);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(denied.path.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(denied.path.c_str(), 0660), 0);
  }
  struct Case {
    const char* name;
    std::function<std::string()> step;
    std::string expected;
    bool needsRoot = false;  // to hand the device to root and dialout
  };
  const Case cases[] = {
      {"open, close and open a pseudo-terminal again", OpenCloseAndReopenAPty, ""},
      {"connect to the simulator twice", ConnectTwiceToTheSimulator, ""},
      {"open a device of a group the user is not in", [&] { return OpenPort(denied.path); },
       "Cannot open " + denied.path +
           ": permission denied. It belongs to group 'dialout', and user 'nobody' is not a "
           "member. Add the user to that group (for example: sudo usermod -aG dialout nobody), "
           "then log out and in again.",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && !root) continue;
    EXPECT_EQ(test::RunInChild(c.step, {true}), c.expected);
  }
}

}  // namespace
}  // namespace kvx
