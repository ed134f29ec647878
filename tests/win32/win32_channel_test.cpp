#include "link/win32/win32_serial_channel.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <vector>

#include "link/channel_ops.h"
#include "link/win32/port_name.h"

namespace kvx {
namespace {

// A COM port and the system around it, in memory, on a clock that moves only while a read
// waits. Any call can be made to fail with a chosen error number.
class FakeWin32System final : public Win32System {
 public:
  // The next call of `call` (named as in Win32) fails with `error`.
  void Fail(const std::string& call, std::uint32_t error) { failures_[call] = error; }

  CommState state;  // what the driver holds
  CommTimeouts timeouts;
  std::uint32_t inQueue = 0, outQueue = 0, purgeFlags = 0, now = 5000;
  std::vector<std::uint8_t> input, written;
  std::uint32_t writeRoom = UINT32_MAX;
  int openHandles = 0, clears = 0;
  std::string openedName;

  PortHandle CreateFileA(const std::string& name) override {
    if (Enter("CreateFileA")) return kNoPortHandle;
    openedName = name;
    ++openHandles;
    return &state;
  }
  bool SetupComm(PortHandle, std::uint32_t in, std::uint32_t out) override {
    return !Enter("SetupComm") && (inQueue = in, outQueue = out, true);
  }
  bool GetCommProperties(PortHandle) override { return !Enter("GetCommProperties"); }
  bool GetCommState(PortHandle, CommState& out) override {
    return !Enter("GetCommState") && (out = state, true);
  }
  bool SetCommState(PortHandle, const CommState& in) override {
    return !Enter("SetCommState") && (state = in, true);
  }
  bool SetCommTimeouts(PortHandle, const CommTimeouts& in) override {
    return !Enter("SetCommTimeouts") && (timeouts = in, true);
  }
  bool ReadFile(PortHandle, std::uint8_t* bytes, std::uint32_t n, std::uint32_t& got) override {
    got = 0;
    if (Enter("ReadFile")) return false;
    if (input.empty()) {
      now += timeouts.readTotalConstant + timeouts.readTotalMultiplier * n;
      return true;
    }
    bytes[got++] = input.front();
    input.erase(input.begin());
    return true;
  }
  bool WriteFile(PortHandle, const std::uint8_t* bytes, std::uint32_t n,
                 std::uint32_t& count) override {
    count = 0;
    if (Enter("WriteFile")) return false;
    count = std::min(n, writeRoom);
    written.insert(written.end(), bytes, bytes + count);
    return true;
  }
  bool ClearCommError(PortHandle) override { return ++clears, !Enter("ClearCommError"); }
  bool PurgeComm(PortHandle, std::uint32_t flags) override {
    purgeFlags = flags;
    input.clear();
    return true;
  }
  bool CloseHandle(PortHandle) override { return --openHandles, true; }
  std::uint32_t GetTickCount() override { return now; }
  void Sleep(std::uint32_t ms) override { now += ms; }
  std::uint32_t LastError() override { return lastError_; }
  std::string MessageText(std::uint32_t error) override {
    return "system text " + std::to_string(error);
  }

 private:
  bool Enter(const std::string& call) {
    const auto failure = failures_.find(call);
    if (failure == failures_.end()) return false;
    lastError_ = failure->second;
    failures_.erase(failure);
    return true;
  }

  std::map<std::string, std::uint32_t> failures_;
  std::uint32_t lastError_ = 0;
};

auto Fields(const CommState& s) {
  return std::tie(s.baudRate, s.binary, s.parity, s.outxCtsFlow, s.outxDsrFlow, s.dtrControl,
                  s.dsrSensitivity, s.txContinueOnXoff, s.outX, s.inX, s.errorChar, s.null,
                  s.rtsControl, s.abortOnError, s.dummy2, s.reserved, s.xonLim, s.xoffLim,
                  s.byteSize, s.parityKind, s.stopBits, s.xonChar, s.xoffChar, s.errorCharValue,
                  s.eofChar, s.evtChar, s.reserved1);
}

// A driver's settings before the port is opened, every field set and most the other way...
const CommState kDriverSettings{1200, false, true, true, true,  1,       true, true, true,
                                true, true,  true, 1,    false, 0x1ABCD, 7,    2048, 512,
                                7,    2,     2,    0x11, 0x13,  '?',     0x1A, '\n', 9};
// ...and after: 9600 baud 8N1, binary, no flow control, DTR and RTS off, abort on error; the
// rest as the driver had it.
const CommState kOpenedSettings{9600,  true,  false, false, false, 0,       true, true, false,
                                false, false, false, 0,     true,  0x1ABCD, 7,    2048, 512,
                                8,     0,     0,     0x11,  0x13,  '?',     0x1A, '\n', 9};

TEST(Win32Channel, OpensRaw8N1At9600WithQueuesTimeoutsAndTheDriversOtherSettingsKept) {
  FakeWin32System system;
  system.state = kDriverSettings;
  Win32SerialChannel channel(system);
  ProbeLink link(channel);
  ASSERT_EQ(OpenSerialChannel(link, ResolveWin32PortName("com12")), kOk);
  EXPECT_EQ(system.openedName, "\\\\.\\COM12");
  EXPECT_EQ(std::tie(system.inQueue, system.outQueue), std::make_tuple(1500u, 4500u));
  EXPECT_EQ(Fields(system.state), Fields(kOpenedSettings));
  const CommTimeouts& t = system.timeouts;
  EXPECT_EQ(std::tie(t.readInterval, t.readTotalMultiplier, t.readTotalConstant,
                     t.writeTotalMultiplier, t.writeTotalConstant),
            std::make_tuple(100u, 10u, 100u, 10u, 100u));

  // A new rate changes nothing else.
  ASSERT_EQ(SetChannelBaudRate(link, 115200), kOk);
  CommState faster = kOpenedSettings;
  faster.baudRate = 115200;
  EXPECT_EQ(Fields(system.state), Fields(faster));
  PurgeChannelInput(channel);
  EXPECT_EQ(system.purgeFlags, 0x8u);  // the receive queue only
}

TEST(Win32Channel, EachFailedOpeningStepSaysWhyAndLeavesNothingOpen) {
  struct Case {
    const char* call;
    std::uint32_t error;
    const char* device;
    const char* message;
  };
  const Case cases[] = {
      {"CreateFileA", kWinErrorFileNotFound, "COM7",
       "Cannot open COM7: there is no such port (system text 2). Check that the adapter is "
       "plugged in and that the port name is right."},
      {"CreateFileA", kWinErrorAccessDenied, "COM7",
       "Cannot open COM7: it is in use by another program (system text 5). Close that program "
       "and try again."},
      {"CreateFileA", kWinErrorAccessDenied, "C:\\ports\\probe",
       "Cannot open C:\\ports\\probe: system text 5."},
      {"SetupComm", 87, "COM7", "Cannot set the queue sizes of COM7: system text 87."},
      {"GetCommProperties", 1, "COM7", "Cannot read the properties of COM7: system text 1."},
      {"GetCommState", 1, "COM7", "Cannot read the line settings of COM7: system text 1."},
      {"SetCommState", 87, "COM7",
       "Cannot set 9600 baud, 8 data bits, no parity, 1 stop bit on COM7: system text 87."},
      {"SetCommTimeouts", 31, "COM7", "Cannot set the time-outs of COM7: system text 31."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.error));
    FakeWin32System system;
    system.Fail(c.call, c.error);
    Win32SerialChannel channel(system);
    ProbeLink link(channel);
    EXPECT_EQ(OpenSerialChannel(link, ResolveWin32PortName(c.device)), kErrPort);
    EXPECT_EQ(channel.LastError(), c.message);
    EXPECT_EQ(system.openHandles, 0);
  }
}

TEST(Win32Channel, ReadsWritesAndRatesGiveTheChannelOutcomes) {
  enum Operation { kWrite, kRead, kRate };
  struct Case {
    const char* name;
    const char* failingCall;  // fails once, or nullptr
    std::uint32_t writeRoom;
    std::vector<std::uint8_t> input;
    Operation operation;
    ErrorCode result;
    int clears;  // ClearCommError calls
  };
  constexpr std::uint32_t kAll = UINT32_MAX;
  const Case cases[] = {
      {"a failed write clears the error state", "WriteFile", kAll, {}, kWrite, kErrWrite, 1},
      {"a short write is neither resent nor cleared", nullptr, 3, {}, kWrite, kErrWrite, 0},
      {"a line error is cleared, the read repeated", "ReadFile", kAll, {0x5A}, kRead, kOk, 1},
      {"a dead port ends the read", "ClearCommError", kAll, {}, kRead, kErrPortState, 1},
      {"unreadable settings refuse the rate", "GetCommState", kAll, {}, kRate, kErrPort, 0},
      {"a refused rate keeps the old one", "SetCommState", kAll, {}, kRate, kErrPort, 0},
  };
  const std::vector<std::uint8_t> block = {1, 2, 3, 4, 5};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWin32System system;
    Win32SerialChannel channel(system);
    ProbeLink link(channel);
    ASSERT_EQ(OpenSerialChannel(link, ResolveWin32PortName("COM1")), kOk);
    if (c.failingCall) system.Fail(c.failingCall, 22);
    system.writeRoom = c.writeRoom;
    system.input = c.input;
    std::uint8_t byte = 0;
    switch (c.operation) {
      case kWrite:
        EXPECT_EQ(WriteChannelBytes(channel, block.size(), block.data()), c.result);
        EXPECT_LE(system.written.size(), 3u);  // nothing sent twice
        break;
      case kRead:
        EXPECT_EQ(ReadChannelByte(channel, byte, 200), c.result);
        EXPECT_EQ(byte, c.input.empty() ? 0 : c.input[0]);
        break;
      case kRate:
        EXPECT_EQ(SetChannelBaudRate(link, 57600), c.result);
        EXPECT_EQ(system.state.baudRate, 9600u);
        EXPECT_EQ(link.baudRate, 9600u);
        break;
    }
    EXPECT_EQ(system.clears, c.clears);
  }
}

}  // namespace
}  // namespace kvx
