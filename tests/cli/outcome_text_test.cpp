// What kvxctl makes of one probe's outcome, on its own: the JSON record every output shares
// and the trace of the frames.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

#include "cli/command_report.h"
#include "cli/frame_trace.h"

namespace kvx::cli {
namespace {

ProbeOutcome ConnectedOutcome() {
  ProbeOutcome outcome;
  outcome.port = "/dev/ttyUSB0";
  outcome.connected = true;
  outcome.serialNumber = "12345678";
  outcome.before = {"1.04", "1.04"};
  outcome.after = {"1.05", "1.04"};
  return outcome;
}

TEST(OutcomeRecord, SaysWhatTheRunFoundUnderItsOwnKeys) {
  ProbeOutcome interrupted = ConnectedOutcome();
  interrupted.interrupted = true;
  interrupted.reason = "the firmware is incomplete";
  const nlohmann::json stopped = RecordJson(interrupted);
  EXPECT_EQ(stopped["result"], "interrupted");
  EXPECT_EQ(stopped["reason"], "the firmware is incomplete");
  EXPECT_EQ(stopped["before"]["firmwareVersion"], "1.04");
  EXPECT_EQ(stopped["firmwareVersion"], "1.05");

  ProbeOutcome upToDate = ConnectedOutcome();
  upToDate.passed = true;
  upToDate.alreadyUpToDate = true;
  const nlohmann::json upToDateRecord = RecordJson(upToDate);
  EXPECT_EQ(upToDateRecord["note"], "already up to date");
  EXPECT_FALSE(upToDateRecord.contains("reason"));
}

// Every frame is a line of its own, one that came back empty as well; what the driver granted
// is said once, though every attempt of a Connect opens the port again.
TEST(FrameTrace, WritesEachFrameAsALineFromTheFirstOnesTime) {
  std::FILE* out = std::tmpfile();
  FrameTrace trace(out);
  const std::uint8_t ping[] = {0x00, 0x01, 0x01};
  trace.PortOpened(100, "the driver has no latency setting");
  trace.RawSent(100, ping, 2);
  trace.FrameSent(101, ping, sizeof ping);
  trace.FrameReceived(105, nullptr, 0);
  trace.ReceiveFailed(312, kErrChecksum);
  trace.PortOpened(400, "the driver has no latency setting");
  std::rewind(out);
  std::string text(256, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), out));
  std::fclose(out);
  EXPECT_EQ(text,
            "       0 ms == the driver has no latency setting\n"
            "       0 ms => 00 01\n"
            "       1 ms -> 00 01 01\n"
            "       5 ms <- (an empty frame)\n"
            "     212 ms <- (broken frame: checksum mismatch)\n");
}

}  // namespace
}  // namespace kvx::cli
