#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "command_runners.h"
#include "link/loader_request.h"
#include "loader/loader_commands.h"
#include "loader_fixture.h"

namespace kvx::test {
namespace {

// A port whose far end never answers and whose reads give up after 1 ms instead of the real
// port's 110 ms, so an attempt lasts the reply time-out to within a couple of milliseconds
// and the command's own share of it can be measured.

struct TimeoutCase {
  const char* name;
  std::function<ErrorCode(ProbeLink&)> run;
  std::uint32_t requestLength;
  std::uint32_t extraTimeoutMs;
};
void PrintTo(const TimeoutCase& c, std::ostream* os) {
  *os << c.name;
}

const TimeoutCase kCases[] = {
    {"ReadMemory", ReadSetupBlock, 7, 10},
    {"EraseSector", EraseFirmwareStart, 5, 10000},
    {"ProgramFlash", ProgramMarker, 11, 1000},
    {"EnterLogicIsp", EnterLogicIsp, 2, 100},
    {"LeaveLogicIsp", LeaveLogicIsp, 2, 100},
    {"ReadLogicDeviceId", ReadDeviceId, 1, 100},
    {"ReadFuseRow", ReadRow5, 2, 100},
    {"ProgramFuseRow", ProgramRow133, 242, 300},
    {"ReadUserSignature", ReadSignature, 1, 100},
    {"ProgramUserSignature", ProgramSignature, 121, 300},
    {"EraseLogic", EraseLogic, 1, 600},
    {"StartFirmware", StartFirmware, 1, 200},
    {"IdentityPrelude", QueryNewIdentity, 1, 10},
};

class CommandTimeout : public ::testing::TestWithParam<TimeoutCase> {};

// A silent loader costs each attempt the line time of the exchange plus the command's extra
// time; an extra time that is too short makes slow commands (erases above all) fail on a
// working probe.
TEST_P(CommandTimeout, EachAttemptWaitsTheCommandsExtraTime) {
  const TimeoutCase& c = GetParam();
  // Reads that give up after 1 ms instead of 110 ms make an attempt last the reply time-out
  // to within a couple of milliseconds, so the command's own share can be measured.
  ScriptedChannel port;
  port.readTimeoutMs = 1;
  ProbeLink link(port);
  link.connected = true;
  link.baudRate = 115200;
  link.headerFlags = 0x10;

  EXPECT_EQ(c.run(link), kErrNoReply);
  ASSERT_GE(port.writes.size(), 2u);
  const std::uint32_t attempt = port.writes[1].atMs - port.writes[0].atMs;
  const std::uint32_t withoutExtra = ReplyByteTimeoutMs(c.requestLength, link.baudRate, 0);
  EXPECT_GE(attempt, withoutExtra + c.extraTimeoutMs);
  EXPECT_LE(attempt, withoutExtra + c.extraTimeoutMs + 20);
}

INSTANTIATE_TEST_SUITE_P(Loader, CommandTimeout, ::testing::ValuesIn(kCases), CaseName());

}  // namespace
}  // namespace kvx::test
