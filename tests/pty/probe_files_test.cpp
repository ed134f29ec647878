// kvxctl with the files the user names: programmed whatever their names and versions, the
// other part of the probe left alone; and a probe read back into files that program another
// probe into its exact copy.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "child_process.h"
#include "cli/sha256.h"
#include "loader/flash_map.h"
#include "program_run.h"
#include "sim/device_state.h"
#include "sim/state_file.h"
#include "update_files.h"

namespace {

using kvx::test::Kvxctl;
using kvx::test::ProgramRun;
using kvx::test::ReadTextFile;
using kvx::test::SimulatorProcess;
using kvx::test::TempDirectory;
using ::testing::HasSubstr;

// The simulated probe holds firmware and logic 1.04; each case is judged by the versions the
// probe reports afterwards, so a part that was programmed when it should have been left, or
// left when it should have been programmed, shows.
TEST(NamedFiles, ProgramExactlyTheFilesGivenWhateverTheirNames) {
  const kvx::test::UpdateFiles files;
  const std::string rollback = files.AddFirmwareFile("saved-firmware.srec", 103).string();
  const std::string logic102 = files.Write("KVXLOG70.102", kvx::test::JedecFileText()).string();
  const std::string custom = files.Write("bench.jed", kvx::test::JedecFileText()).string();
  // Version word 0x0E6A, 1.06, split across two records; the name carries no version.
  const std::string split =
      files.Write("split.srec", "S306010400040EE2\nS306010400056A85\nS70501040004F1\n").string();
  struct Case {
    std::string files;
    std::string dryRun;  // what the dry run says of the part that is programmed
    const char* firmware;
    const char* logic;
  };
  // What the record says of each file named: the bytes of the file on disk, fingerprinted.
  const auto ExpectedProofs = [&](const std::string& named) {
    nlohmann::json proofs = nlohmann::json::array();
    for (const auto& [part, path, version] : {std::tuple{"firmware", rollback, "1.03"},
                                              {"firmware", split, "1.06"},
                                              {"logic", logic102, "1.02"},
                                              {"logic", custom, "unknown"}}) {
      if (named.find(path) == std::string::npos) continue;
      const std::string bytes = ReadTextFile(path);
      proofs.push_back({{"part", part},
                        {"path", path},
                        {"version", version},
                        {"size", bytes.size()},
                        {"sha256", kvx::cli::Sha256Hex(bytes)},
                        {"done", true}});
    }
    return proofs;
  };
  const std::vector<Case> cases = {
      {"--firmware " + rollback, "Logic:    not named, left as it is", "1.03", "1.04"},
      {"--logic " + logic102, "signature T3952D8102\n  signature from the version 1.02 of the",
       "1.04", "1.02"},
      {"--firmware " + split, "would program 2 records, 2 data bytes, then the image marker\n",
       "1.06", "1.04"},
      {"--firmware " + rollback + " --logic " + custom,
       "signature T3952D8000\n  signature from the file's name carries no version and the file "
       "no signature: version 0, which the probe reports as unknown",
       "1.03", "unknown"},
  };
  for (const Case& c : cases) {
    SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200"});
    const std::string port = " --port " + sim.Path() + " ";
    const ProgramRun dryRun = Kvxctl("update --dry-run" + port + c.files);
    EXPECT_EQ(dryRun.status, 0) << dryRun.err;
    EXPECT_THAT(dryRun.out, HasSubstr(c.dryRun)) << c.files;
    const ProgramRun update = Kvxctl("update --json" + port + c.files);
    EXPECT_EQ(update.status, 0) << c.files << "\n" << update.err;
    const auto record = nlohmann::json::parse(update.out);
    EXPECT_EQ(record["before"],
              nlohmann::json({{"firmwareVersion", "1.04"}, {"logicVersion", "1.04"}}));
    EXPECT_EQ(record["after"],
              nlohmann::json({{"firmwareVersion", c.firmware}, {"logicVersion", c.logic}}));
    EXPECT_EQ(record["files"], ExpectedProofs(c.files)) << c.files;
    const auto info = nlohmann::json::parse(Kvxctl("info --json" + port).out);
    EXPECT_EQ(info["firmwareVersion"], c.firmware) << c.files;
    EXPECT_EQ(info["logicVersion"], c.logic) << c.files;
  }
  const ProgramRun both = Kvxctl("update --port x --dir . --firmware " + rollback);
  EXPECT_EQ(both.status, 2);
  EXPECT_THAT(both.err, HasSubstr("--dir excludes --firmware"));
}

// An update with nothing due says so, not only that it passed; and every record says where
// and by whom it was made.
TEST(NamedFiles, AnUpdateWithNothingDueSaysSoAndNamesHostAndUser) {
  kvx::test::UpdateFiles files;
  files.AddFirmware(104);
  files.AddLogic("KVXLOG70.104");
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200"});
  const std::string arguments = " --dir " + files.Path().string() + " --port " + sim.Path();
  const ProgramRun text = Kvxctl("update" + arguments);
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_THAT(text.out, HasSubstr("Update:            already up to date\n"));
  const auto record = nlohmann::json::parse(Kvxctl("update --json" + arguments).out);
  EXPECT_EQ(record["note"], "already up to date");
  EXPECT_FALSE(record.contains("files"));
  EXPECT_FALSE(record["host"].get<std::string>().empty());
  EXPECT_FALSE(record["user"].get<std::string>().empty());
}

// A probe read back into files, and a blank probe updated from them, end up alike to the last
// bit: the simulators keep their flash (image marker included), fuse rows and signature in
// their state files, which must come out identical.
TEST(ProbeFiles, AProbeReadBackProgramsABlankOneIntoItsCopy) {
  const kvx::test::ReleaseFiles release(3000);
  const kvx::test::TempDirectory dir;
  const std::string original = (dir / "original.state").string();
  const std::string copy = (dir / "copy.state").string();
  const std::string firmware = (dir / "saved.srec").string();
  const std::string logic = (dir / "saved.jed").string();
  const std::string outputs = " --firmware " + firmware + " --logic " + logic;
  {
    SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--state", original});
    const std::string port = " --port " + sim.Path();
    ASSERT_EQ(Kvxctl("update --dir " + release.Path().string() + port).status, 0);
    const ProgramRun read = Kvxctl("read --json" + port + outputs);
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_THAT(read.err, HasSubstr("Firmware: Reading Flash ... passed!"));
    const auto record = nlohmann::json::parse(read.out);
    EXPECT_EQ(record["imageMarker"], "present");
    EXPECT_THAT(read.err, HasSubstr("Starting firmware please wait...."));
    ASSERT_EQ(record["files"].size(), 2u);
    EXPECT_EQ(record["files"][0]["sha256"], kvx::cli::Sha256Hex(ReadTextFile(firmware)));
    EXPECT_EQ(record["files"][1]["sha256"], kvx::cli::Sha256Hex(ReadTextFile(logic)));
  }
  {
    SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--state", copy});
    const std::string port = " --port " + sim.Path();
    ASSERT_EQ(Kvxctl("erase --yes" + port).status, 0);
    const ProgramRun update = Kvxctl("update --dry-run" + port + outputs);
    EXPECT_THAT(update.out, HasSubstr("signature T3952D8105\n  signature from the file itself"));
    ASSERT_EQ(Kvxctl("update" + port + outputs).status, 0);
  }
  EXPECT_EQ(ReadTextFile(copy), ReadTextFile(original));
}

// The names in `dir`, to see that nothing was left beside the files a run should write.
std::set<std::string> NamesIn(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// What an ordinary user meets when an output cannot be written: said before the first request
// of the read, which would take a minute at line speed. Names fixed on the command line are
// refused before the port opens, names made with the serial number once the probe answered.
std::string OutputsThatCannotBeWritten(const std::string& kvxctl, const std::string& kvxsim) {
  SimulatorProcess sim(kvxsim, {"--rate", "115200"});
  const TempDirectory dir;
  const std::string port = " --port " + sim.Path();
  const std::string longName = dir.Path().string() + "/" + std::string(256, 'n') + ".srec";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"--firmware /etc/x-{serial}.srec", "cannot write /etc/x-12345678.srec: Permission denied"},
      {"--firmware /dev/null", "/dev/null is not a regular file"},
      {"--firmware " + dir.Path().string(), dir.Path().string() + " is a directory"},
      {"--firmware " + longName, "cannot write " + longName + ": File name too long"},
  };
  std::string outcome;
  for (const auto& [outputs, reason] : cases) {
    const ProgramRun run = kvx::test::RunProgram(kvxctl, "read" + port + " " + outputs);
    if (run.status != 1 || run.err.find(reason) == std::string::npos ||
        run.err.find("Reading Flash") != std::string::npos) {
      outcome += outputs + ": " + std::to_string(run.status) + " " + run.err + "\n";
    }
  }
  return outcome;
}

TEST(ProbeFiles, AnOutputThatCannotBeWrittenIsFoundBeforeTheReadStarts) {
  const kvx::test::ProgramCopy kvxctl(KVXCTL_PATH);
  const kvx::test::ProgramCopy kvxsim(KVXSIM_PATH);
  EXPECT_EQ(kvx::test::RunInChild(
                [&] { return OutputsThatCannotBeWritten(kvxctl.Path(), kvxsim.Path()); },
                {true, 60, 0, {kvxctl.Path(), kvxsim.Path()}}),
            "");
}

// A read writes its outputs and nothing else: a file of the user's under a name a temporary
// file might have taken is left alone; an output that cannot be written whole (the file-size
// limit stands for a full disk) leaves the file it was to replace as it was, and no temporary
// file behind.
TEST(ProbeFiles, AReadWritesItsOutputsWholeAndNothingElse) {
  kvx::test::UpdateFiles release;
  release.AddFirmware(105, 3000);
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200"});
  const std::string port = " --port " + sim.Path();
  ASSERT_EQ(Kvxctl("update --dir " + release.Path().string() + port).status, 0);
  const TempDirectory dir;
  const std::string output = dir.Write("fw.srec", "old").string();
  dir.Write("fw.srec.partial", "mine");
  const std::string read = "read --force" + port + " --firmware " + output;
  // 2 KiB: the messages fit, the 7 KB of S-records do not.
  const ProgramRun full = kvx::test::RunProgram("ulimit -f 4; " KVXCTL_PATH, read);
  EXPECT_EQ(full.status, 1);
  EXPECT_THAT(full.err, HasSubstr("cannot write " + output + ": File too large"));
  EXPECT_EQ(ReadTextFile(output), "old");
  EXPECT_EQ(NamesIn(dir.Path()), (std::set<std::string>{"fw.srec", "fw.srec.partial"}));
  ASSERT_EQ(Kvxctl(read).status, 0);
  EXPECT_THAT(ReadTextFile(output), HasSubstr("\nS3450104"));
  EXPECT_EQ(ReadTextFile(output + ".partial"), "mine");
  EXPECT_EQ(NamesIn(dir.Path()), (std::set<std::string>{"fw.srec", "fw.srec.partial"}));
}

// Names made from what probes report: two probes that report one serial number do not write
// one file (the second fails, saying so, and the first keeps its file); a serial number that
// could lead out of the folder named is refused; {serial} stands for it wherever it is.
TEST(ProbeFiles, NamesMadeFromSerialNumbersNeverMeet) {
  SimulatorProcess first(KVXSIM_PATH, {"--rate", "115200", "--serial", "12345678"});
  SimulatorProcess twin(KVXSIM_PATH, {"--rate", "115200", "--serial", "12345678"});
  SimulatorProcess odd(KVXSIM_PATH, {"--rate", "115200", "--serial", "../abcde"});
  const TempDirectory dir;
  const std::string logic = (dir / "l-12345678-12345678.jed").string();
  const std::string report = (dir / "r.jsonl").string();
  const ProgramRun run = Kvxctl("read --json --report " + report + " --port " + first.Path() +
                                " --port " + twin.Path() + " --port " + odd.Path() + " --logic " +
                                (dir / "l-{serial}-{serial}.jed").string());
  EXPECT_EQ(run.status, 1);
  std::multiset<std::string> verdicts;
  std::istringstream records(run.out);
  for (std::string line; std::getline(records, line);) {
    const auto record = nlohmann::json::parse(line);
    verdicts.insert(record.value("passed", false) ? "passed" : record.value("reason", ""));
  }
  EXPECT_EQ(verdicts, (std::multiset<std::string>{
                          "passed",
                          logic + " is written by this run already, for another probe with "
                                  "that serial number",
                          "the serial number '../abcde' cannot go into a file name"}));
  EXPECT_THAT(ReadTextFile(logic), HasSubstr("*L00000"));
  EXPECT_EQ(NamesIn(dir.Path()), (std::set<std::string>{"l-12345678-12345678.jed", "r.jsonl"}));
}

// A probe's state file: `image` behind the marker's word `marker`, everything else erased.
void WriteProbeState(const std::string& path, const std::vector<std::uint8_t>& image,
                     const std::vector<std::uint8_t>& marker) {
  kvx::sim::DeviceState device;
  device.flash.Program(kvx::kImageMarkerAddress, marker.data(), marker.size());
  device.flash.Program(kvx::kFirstImageAddress, image.data(), image.size());
  ASSERT_TRUE(kvx::sim::SaveDeviceState(path, device)) << path;
}

// Mend: whatever state a probe is in, its copy comes out in that state, not finished where the
// probe was not: an interrupted update leaves the marker erased, a cell that failed in it
// another word, and an erased area reads into a file that restores an erased area.
TEST(ProbeFiles, ACopyComesOutInTheStateOfTheProbeItWasReadFrom) {
  const std::vector<std::uint8_t> image = kvx::test::FirmwareBinary(105, 3000);
  const std::vector<std::uint8_t> erased(4, 0xFF);
  const struct {
    const char* name;
    std::vector<std::uint8_t> image;
    std::vector<std::uint8_t> marker;
    std::string recorded;  // as the dry run tells it
  } cases[] = {
      {"an interrupted update", image, erased, "erased"},
      {"a cell that failed in the marker", image, {0xAA, 0x54, 0x55, 0xAA}, "other AA 54 55 AA"},
      {"a marker word with one erased byte", image, {0xAA, 0x55, 0x55, 0xFF}, "other AA 55 55 FF"},
      {"an erased area", {}, erased, "erased"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const kvx::test::TempDirectory dir;
    const std::string original = (dir / "original.state").string();
    const std::string copy = (dir / "copy.state").string();
    const std::string firmware = (dir / "saved.srec").string();
    const std::string report = (dir / "read.jsonl").string();
    WriteProbeState(original, c.image, c.marker);
    WriteProbeState(copy, kvx::test::FirmwareBinary(103, 500), {0xAA, 0x55, 0x55, 0xAA});
    const std::string state = c.recorded.substr(0, c.recorded.find(' '));
    {
      SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--state", original});
      const ProgramRun read =
          Kvxctl("read --port " + sim.Path() + " --firmware " + firmware + " --report " + report);
      ASSERT_EQ(read.status, 0) << read.err;
      EXPECT_THAT(read.out, HasSubstr("Image marker:      " + state + "\n"));
      EXPECT_EQ(nlohmann::json::parse(ReadTextFile(report))["imageMarker"], state);
    }
    {
      SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--state", copy});
      const std::string port = " --port " + sim.Path() + " --firmware " + firmware;
      EXPECT_THAT(Kvxctl("update --dry-run" + port).out,
                  HasSubstr("then leave the image marker as the file records it: " + c.recorded));
      const ProgramRun update = Kvxctl("update" + port);
      EXPECT_EQ(update.status, 0) << update.err;
    }
    EXPECT_TRUE(ReadTextFile(copy) == ReadTextFile(original)) << "the copy differs";
  }
}

// Mend: read checks the logic device as update does, so a probe with another device is not
// read into a file that programs a supported one; a logic-only update refused so says what it
// was and that nothing of the firmware changed, and its file is not finished.
TEST(ProbeFiles, AnUnknownLogicDeviceIsNeitherReadNorProgrammed) {
  const kvx::test::UpdateFiles files;
  const std::string logic = files.Write("KVXLOG70.105", kvx::test::JedecFileText()).string();
  const std::string read = (files / "saved.jed").string();
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--logic-device-id", "20"});
  const std::string port = " --port " + sim.Path();
  const std::string report = (files / "runs.jsonl").string();
  const std::string why =
      "the logic device answers with the identifier 20; the fuse files are "
      "made for 19";
  for (const std::string& command : {"read --logic " + read, "update --logic " + logic}) {
    SCOPED_TRACE(command);
    const ProgramRun run = Kvxctl(command + port + " --report " + report);
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("kvxGDB Setup: Logic: Unknown ispLSI device type!\n  " + why));
  }
  EXPECT_FALSE(std::filesystem::exists(read));
  const ProgramRun update = Kvxctl("update --logic " + logic + port);
  const std::string bytes = ReadTextFile(logic);
  EXPECT_THAT(update.out,
              HasSubstr("Logic file:        " + logic + " (1.05, " + std::to_string(bytes.size()) +
                        " bytes, SHA-256 " + kvx::cli::Sha256Hex(bytes) + "), not finished\n"));
  const std::string records = ReadTextFile(report);
  const auto last =
      nlohmann::json::parse(records.substr(records.rfind('\n', records.size() - 2) + 1));
  EXPECT_EQ(last["reason"], why);
  EXPECT_EQ(last["files"][0]["done"], false);
  EXPECT_EQ(last["files"][0]["version"], "1.05");
  EXPECT_EQ(nlohmann::json::parse(Kvxctl("info --json" + port).out)["logicVersion"], "1.04");
}

// Mend: the record proves the bytes that were parsed and sent, not those a second read finds
// after the file was rewritten or removed during the update.
TEST(ProbeFiles, TheRecordProvesTheBytesThatWereSent) {
  for (const bool removed : {false, true}) {
    SCOPED_TRACE(removed ? "removed" : "rewritten");
    const kvx::test::UpdateFiles files;
    const std::string logic = files.Write("KVXLOG70.105", kvx::test::JedecFileText()).string();
    const std::string sent = ReadTextFile(logic);
    const std::string out = (files / "out").string(), err = (files / "err").string();
    // The erase's reply held back, inside its time-out, while the file changes.
    SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--late", "p:1", "--late-ms", "700"});
    int status = -1;
    std::thread update([&] {
      status = std::system((std::string(KVXCTL_PATH) + " update --json --logic " + logic +
                            " --port " + sim.Path() + " >" + out + " 2>" + err + " </dev/null")
                               .c_str());
    });
    ASSERT_TRUE(kvx::test::Eventually(
        [&] { return ReadTextFile(err).find("Logic: Erasing ...") != std::string::npos; }));
    if (removed) {
      std::filesystem::remove(logic);
    } else {
      files.Write("KVXLOG70.105", "rewritten");
    }
    update.join();
    ASSERT_EQ(status, 0) << ReadTextFile(err);
    const auto proof = nlohmann::json::parse(ReadTextFile(out))["files"][0];
    EXPECT_EQ(proof["size"], sent.size());
    EXPECT_EQ(proof["sha256"], kvx::cli::Sha256Hex(sent));
  }
}

}  // namespace

// Several probes read at once each write files of their own, named by their serial numbers.
TEST(ProbeFiles, SeveralProbesReadIntoFilesNamedByTheirSerialNumbers) {
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--count", "2", "--serial", "00000098"});
  const kvx::test::TempDirectory dir;
  const std::string ports = " --port " + sim.Paths()[0] + " --port " + sim.Paths()[1];
  const ProgramRun run =
      Kvxctl("read --json" + ports + " --logic " + (dir / "logic-{serial}.jed").string());
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char* serial : {"00000098", "00000099"}) {
    const std::string path = (dir / ("logic-" + std::string(serial) + ".jed")).string();
    EXPECT_THAT(run.out, HasSubstr("\"path\":\"" + path + "\"")) << run.out;
    EXPECT_THAT(ReadTextFile(path), HasSubstr("*L00000")) << path;
  }
}
