// kvxctl against kvxsim, as a user runs them, with update files that cannot be programmed as
// they stand: a damaged file is refused and the probe keeps its flash and logic device byte
// for byte; an image that joined requests would spoil goes out record by record.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

#include "images/probe_readback.h"
#include "images/user_signature.h"
#include "program_run.h"
#include "update_files.h"

namespace kvx::test {
namespace {

using ::testing::HasSubstr;

ProgramRun Kvxctl(const std::string& arguments) {
  return RunProgram(KVXCTL_PATH, arguments);
}

// `text` without its last `lines` lines.
std::string WithoutLastLines(const std::string& text, std::size_t lines) {
  std::size_t end = text.size() - 1;
  for (std::size_t i = 0; i < lines; ++i) end = text.rfind('\n', end - 1);
  return text.substr(0, end + 1);
}

// Release 1.05 beside a 1.06 of one part that is damaged, so only that part is due.
struct DamagedRelease {
  const char* name;
  void (*write)(const UpdateFiles& files);
  const char* whatWasSent;
  std::string refusal;  // the damaged file's name and what is wrong with it
};

// objcopy's 65 lines for 2000 bytes, from its S0 header to its S7 end record, lose three.
void CutFirmware(const UpdateFiles& files) {
  files.AddFirmware(106);
  const std::string image = ReadTextFile((files / "KVXARMFW.106").string());
  files.Write("KVXARMFW.106", WithoutLastLines(image, 3));
  files.AddLogic("KVXLOG70.105");
}

void FlipFuse(const UpdateFiles& files) {
  files.AddFirmware(105);
  std::string text = JedecFileText();
  const std::size_t firstFuse = text.find("*L00000\n") + 8;
  text[firstFuse] = text[firstFuse] == '0' ? '1' : '0';
  files.Write("KVXLOG70.106", text);
}

// A fuse file as a probe is read back into, its user code and transmission checksum included,
// with one bit of the user code flipped: the fuses agree with the file, but the probe would
// report another logic version from that signature.
void FlipSignatureBit(const UpdateFiles& files) {
  files.AddFirmware(105);
  std::string text = FormatLogicJedec({PatternMap(), EncodeUserSignature("T3952D8106")});
  const std::size_t lastBit = text.find("\nU") + 1 + kUserSignatureCharacters;
  text[lastBit] = '1';
  files.Write("KVXLOG70.106", text);
}

// Mends: a firmware file cut short, a fuse file with a fuse changed and one with its signature
// changed were programmed and reported as passed.
TEST(KvxctlUpdate, RefusesADamagedFileAndLeavesTheProbeAsItWas) {
  const TempDirectory scratch;
  const std::string state = (scratch / "probe.state").string();
  {
    UpdateFiles release;
    release.AddFirmware(105);
    release.AddLogic("KVXLOG70.105");
    SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--state", state});
    const ProgramRun update =
        Kvxctl("update --dir " + release.Path().string() + " --port " + sim.Path());
    ASSERT_EQ(update.status, 0) << update.err;
  }
  const std::string installed = ReadTextFile(state);
  ASSERT_FALSE(installed.empty());

  const DamagedRelease releases[] = {
      {"firmware cut short", CutFirmware, "nothing was sent: ",
       "KVXARMFW.106: line 62: ends without its end record: the file is incomplete"},
      {"fuse file with a flipped fuse", FlipFuse, "nothing was erased or programmed: ",
       "KVXLOG70.106: the fuse checksum C42BD does not match the fuses (their sum is 42BC)"},
      {"fuse file with a flipped signature bit", FlipSignatureBit,
       "nothing was erased or programmed: ",
       "KVXLOG70.106: the transmission checksum F7D4 after ETX does not match the file (its bytes "
       "from STX to ETX sum to F7D5)"},
  };
  for (const DamagedRelease& release : releases) {
    UpdateFiles files;
    release.write(files);
    const std::string reason = release.whatWasSent + (files / release.refusal).string();
    for (const char* command : {"update", "update --dry-run"}) {
      SCOPED_TRACE(std::string(release.name) + ", " + command);
      SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--state", state});
      const std::string port = " --port " + sim.Path();
      const ProgramRun run = Kvxctl(command + (" --dir " + files.Path().string()) + port);
      EXPECT_EQ(run.status, 1);
      EXPECT_THAT(run.out + run.err, HasSubstr(reason));

      const ProgramRun info = Kvxctl("info --json" + port);
      ASSERT_EQ(info.status, 0) << info.err;
      const auto identity = nlohmann::json::parse(info.out);
      EXPECT_EQ(identity["firmwareVersion"], "1.05");
      EXPECT_EQ(identity["logicVersion"], "1.05");
      sim.Stop();
      EXPECT_TRUE(ReadTextFile(state) == installed) << "the probe's flash or logic changed";
    }
  }
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
