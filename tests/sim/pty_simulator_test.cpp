#include "sim/pty_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "sim_test_support.h"
#include "simulated_probe.h"
#include "temp_directory.h"

namespace kvx::sim::testing {
namespace {

// A bound against hangs on loaded machines, not a measurement.
constexpr int kPatienceMs = 10000;

bool WaitUntil(const std::function<bool()>& condition) {
  for (int waited = 0; !condition(); waited += 2) {
    if (waited > kPatienceMs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Sets the host's end of the line to `speed` as a serial port backend does, then sends.
bool Send(int fd, speed_t speed, const Bytes& bytes) {
  termios settings{};
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  cfsetspeed(&settings, speed);
  return tcsetattr(fd, TCSANOW, &settings) == 0 &&
         write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

// Every byte up to the end of the next whole frame, or what came before none did in time.
Bytes ReadFrame(int fd) {
  FrameParser parser;
  Bytes received;
  pollfd wait{fd, POLLIN, 0};
  std::uint8_t byte = 0;
  while (poll(&wait, 1, kPatienceMs) == 1 && read(fd, &byte, 1) == 1) {
    received.push_back(byte);
    if (parser.Push(byte) == FrameParser::Event::kFrame) break;
  }
  return received;
}

// What no host-side test would notice: a late reply is not overtaken by the one behind it,
// and bytes at the wrong rate are dropped and break the frame they interrupt.
TEST(PtySimulator, HoldsLateRepliesInOrderAndDropsBytesAtTheWrongRate) {
  SimulatorOptions options;
  options.pace = true;
  options.faults.late = Trigger("1");
  options.faults.lateMs = 200;
  test::SimulatedProbe sim(options);
  const int host = open(sim->SlavePath().c_str(), O_RDWR | O_NOCTTY);
  // The 'r' goes with the first half of an 'i': once its reply is here, that half is taken.
  const Bytes broken = Frame(Request({'i', 1}, 1));
  const Bytes head(broken.begin(), broken.begin() + 4), tail(broken.begin() + 4, broken.end());
  ASSERT_TRUE(Send(host, B9600, Cat({{0xDB, 0xDE}, kPing, Frame(Request({'r'})), head})));
  EXPECT_EQ(ReadFrame(host), kPing);  // late, and not overtaken by the reply behind it
  EXPECT_EQ(ReadFrame(host), Frame({0x10, 0x01, 0x00}));
  ASSERT_TRUE(Send(host, B19200, kPing));
  ASSERT_TRUE(WaitUntil([&] { return sim->Counters().mismatchedBytes >= kPing.size(); }));
  ASSERT_TRUE(Send(host, B9600, Cat({tail, Frame(Request({'i', 1}, 2))})));
  EXPECT_EQ(ReadFrame(host), Frame({0x90, 0x02, 'i', 1}));
  close(host);
}

// A damaged state file is refused with a message naming it, and nothing of it is loaded.
TEST(StateFile, RefusesDamagedFiles) {
  const test::TempDirectory dir;
  SimulatorOptions options;
  options.statePath = (dir / "probe.state").string();
  const std::string& path = options.statePath;
  DeviceState saved;
  saved.flash.Program(0x010FFFFF, Bytes{0xA5}.data(), 1);
  ASSERT_TRUE(SaveDeviceState(path, saved).ok);
  std::ifstream in(path, std::ios::binary);
  const std::string good{std::istreambuf_iterator<char>(in), {}};
  using Damage = void (*)(std::string&);
  const std::vector<std::tuple<Damage, const char*>> damages = {
      {[](std::string& c) { c[0] = 'X'; }, "not a kvxsim state file"},
      {[](std::string& c) { c.pop_back(); }, "wrong size"},
      {[](std::string& c) { c[c.size() - 200] = '2'; }, "logic cells"}};
  for (const auto& [damage, reason] : damages) {
    std::string content = good;
    damage(content);
    std::ofstream(path, std::ios::binary) << content;
    DeviceState device;
    const StateFileResult result = LoadDeviceState(path, device);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
    EXPECT_NE(result.message.find(reason), std::string::npos) << result.message;
    EXPECT_EQ(device.flash.Read(0x010FFFFF, 1), Bytes{0xFF});
    EXPECT_THROW(PtySimulator{options}, std::runtime_error);
  }
}

}  // namespace
}  // namespace kvx::sim::testing
