#include "sim/pty_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "sim_test_support.h"

namespace kvx::sim::testing {
namespace {

// Generous: the suite runs on loaded two-core machines; nothing here measures speed.
constexpr auto kPatience = std::chrono::seconds(10);

const Bytes kPingFrame = {0x10, 0x02, 0x00, 0x01, 0x01, 0x10, 0x03, 0x00};

bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// The host's end of the line, the way a serial port backend would set it up.
class HostEnd {
 public:
  explicit HostEnd(const std::string& path)
      : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
  ~HostEnd() { Close(); }
  HostEnd(const HostEnd&) = delete;
  HostEnd& operator=(const HostEnd&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  bool SetRate(speed_t speed) {
    termios settings{};
    if (tcgetattr(fd_, &settings) != 0) return false;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    return tcsetattr(fd_, TCSANOW, &settings) == 0;
  }

  bool Write(const Bytes& bytes) {
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // The next `n` bytes, or fewer when they do not come in time.
  Bytes Read(std::size_t n) {
    Bytes received;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (received.size() < n && std::chrono::steady_clock::now() < deadline) {
      pollfd wait{fd_, POLLIN, 0};
      if (poll(&wait, 1, 50) != 1) continue;
      std::uint8_t byte = 0;
      if (read(fd_, &byte, 1) == 1) received.push_back(byte);
    }
    return received;
  }

  // The payload of the next whole frame, if one comes in time.
  std::optional<Bytes> ReadFrame() {
    FrameParser parser;
    for (;;) {
      const Bytes byte = Read(1);
      if (byte.empty()) return std::nullopt;
      if (parser.Push(byte[0]) == FrameParser::Event::kFrame) {
        return Bytes(parser.Payload(), parser.Payload() + parser.Size());
      }
    }
  }

 private:
  int fd_;
};

// A simulator serving on its own thread for the life of the object.
class Running {
 public:
  explicit Running(const SimulatorOptions& options = {})
      : simulator(options), thread_([this] { simulator.Run(); }) {}
  ~Running() {
    simulator.Stop();
    thread_.join();
  }

  PtySimulator simulator;

 private:
  std::thread thread_;
};

class PacedOrNot : public ::testing::TestWithParam<bool> {};

TEST_P(PacedOrNot, PingAt9600IsAnsweredByteForByte) {
  SimulatorOptions options;
  options.pace = GetParam();
  Running running(options);
  HostEnd host(running.simulator.SlavePath());
  ASSERT_TRUE(host.IsOpen());
  ASSERT_TRUE(host.SetRate(B9600));
  ASSERT_TRUE(host.Write(Concat({0xDB, 0xDE}, kPingFrame)));
  EXPECT_EQ(host.Read(kPingFrame.size()), kPingFrame);
  EXPECT_EQ(running.simulator.Counters().repliesWritten, 1u);
}

INSTANTIATE_TEST_SUITE_P(Pace, PacedOrNot, ::testing::Bool());

TEST(PtySimulator, BytesAtAnotherRateAreLineNoise) {
  Running running;
  HostEnd host(running.simulator.SlavePath());
  ASSERT_TRUE(host.SetRate(B19200));
  ASSERT_TRUE(host.Write(kPingFrame));
  ASSERT_TRUE(
      WaitUntil([&] { return running.simulator.Counters().mismatchedBytes >= kPingFrame.size(); }));
  ASSERT_TRUE(host.SetRate(B9600));
  ASSERT_TRUE(host.Write(Frame(Request({'r'}))));
  // Had the ping been taken, its reply would come first.
  EXPECT_EQ(host.ReadFrame(), Bytes({0x10, 0x01, 0x00}));
  EXPECT_EQ(running.simulator.Counters().engine.requests, 1u);
}

TEST(PtySimulator, FollowsAnAgreedSpeedChange) {
  Running running;
  HostEnd host(running.simulator.SlavePath());
  ASSERT_TRUE(host.SetRate(B9600));
  ASSERT_TRUE(host.Write({0x10, 0x02, 0x00, 0x05, 0x03, 0x00, 0x01, 0xC2, 0x00, 0x10, 0x03, 0xC5}));
  EXPECT_EQ(host.ReadFrame(), Bytes({0x00, 0x05, 0x03, 0x00, 0x01, 0xC2, 0x00}));
  ASSERT_TRUE(WaitUntil([&] { return running.simulator.ListenRate() == 115200; }));
  ASSERT_TRUE(host.SetRate(B115200));
  ASSERT_TRUE(host.Write(kPingFrame));
  EXPECT_EQ(host.ReadFrame(), Bytes({0x00, 0x01, 0x01}));
}

TEST(PtySimulator, ServesTheNextOpenerAfterTheHostCloses) {
  Running running;
  {
    HostEnd first(running.simulator.SlavePath());
    ASSERT_TRUE(first.SetRate(B9600));
    ASSERT_TRUE(first.Write(kPingFrame));
    ASSERT_TRUE(first.ReadFrame());
  }
  ASSERT_TRUE(WaitUntil([&] { return running.simulator.Counters().hostHangups == 1; }));
  HostEnd second(running.simulator.SlavePath());
  ASSERT_TRUE(second.SetRate(B9600));
  ASSERT_TRUE(second.Write(kPingFrame));
  EXPECT_EQ(second.ReadFrame(), Bytes({0x00, 0x01, 0x01}));
}

TEST(PtySimulator, ALateReplyIsNotOvertakenByTheNextOne) {
  SimulatorOptions options;
  options.faults.late = Trigger("1");
  options.faults.lateMs = 200;
  Running running(options);
  HostEnd host(running.simulator.SlavePath());
  ASSERT_TRUE(host.SetRate(B9600));
  ASSERT_TRUE(host.Write(Concat(Frame(Request({'r'}, 0)), Frame(Request({'q'}, 1)))));
  EXPECT_EQ(host.ReadFrame(), Bytes({0x10, 0x01, 0x00}));
  EXPECT_EQ(host.ReadFrame(), Bytes({0x50, 0x01, 'q'}));
}

TEST(PtySimulator, StateFileCarriesFlashToTheNextRun) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("kvxsim_pty_state_" + std::to_string(getpid())))
          .string();
  SimulatorOptions options;
  options.statePath = path;
  {
    Running running(options);
    HostEnd host(running.simulator.SlavePath());
    ASSERT_TRUE(host.SetRate(B9600));
    ASSERT_TRUE(
        host.Write(Frame(Request(Concat(Concat({'h'}, U32(0x01008000)), Concat(U16(2), {7, 9}))))));
    EXPECT_EQ(host.ReadFrame(), Concat({0x10, 0x06, 'h', 0}, U32(0x01008002)));
    host.Close();
    ASSERT_TRUE(running.simulator.SaveState().ok);
  }
  PtySimulator next(options);
  EXPECT_EQ(next.ReadFlash(0x01008000, 3), Bytes({7, 9, 0xFF}));
  std::filesystem::remove(path);
}

TEST(PtySimulator, RefusesBadOptionsAndBadStateFiles) {
  SimulatorOptions options;
  options.identity.serial = "123456789";
  EXPECT_THROW(PtySimulator{options}, std::invalid_argument);
  options = {};
  options.statePath = "/proc/self";  // a directory: unreadable as a state file
  EXPECT_THROW(PtySimulator{options}, std::runtime_error);
}

}  // namespace
}  // namespace kvx::sim::testing
