// kvxctl against kvxsim, as a user runs them, with update files that cannot be programmed as
// they stand: a damaged file is refused and the probe keeps its flash and logic device byte
// for byte; an image that joined requests would spoil goes out record by record.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "program_run.h"
#include "update_files.h"

namespace kvx::test {
namespace {

using ::testing::HasSubstr;

ProgramRun Kvxctl(const std::string& arguments) {
  return RunProgram(KVXCTL_PATH, arguments);
}

// Mend: joined, the run of lines 2 and 3 would be padded over line 1's first word, so the
// image, whose version word lines 2 and 3 hold, goes out record by record, as it programs.
TEST(KvxctlUpdate, FastProgramsRecordByRecordWhatJoinedRequestsWouldSpoil) {
  UpdateFiles files;
  files.AddLogic("KVXLOG70.104");
  files.Write("KVXARMFW.106",
              "S3090104000A01020304DD\nS306010400040EE2\nS309010400056A05060770\n"
              "S70501040004F1\n");
  const std::string fallback =
      "record by record: in joined requests lines 1 and 3 both program 0x0104000A\n";
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200"});
  const std::string port = " --port " + sim.Path();
  const std::string arguments = " --fast --dir " + files.Path().string() + port;

  const ProgramRun dryRun = Kvxctl("update --dry-run" + arguments);
  EXPECT_EQ(dryRun.status, 0) << dryRun.err;
  EXPECT_THAT(dryRun.out, HasSubstr("in 3 program requests (record by record)"));
  EXPECT_THAT(dryRun.out, HasSubstr("  " + fallback));
  const ProgramRun update = Kvxctl("update --verify" + arguments);
  EXPECT_EQ(update.status, 0) << update.err;
  EXPECT_THAT(update.err, HasSubstr("Firmware: Programming " + fallback));
  EXPECT_THAT(Kvxctl("info" + port).out, HasSubstr("Firmware version:  1.06"));
}

}  // namespace
}  // namespace kvx::test
