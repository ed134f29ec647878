// kvxsetup.exe under wine on the X display xvfb-run gives, worked by a Win32 driver program
// through window messages and keys sent under X, against kvxsim on a pseudo-terminal that the
// wine prefix's dosdevices link turns into a COM port. The driver reports what the window
// showed; the probe's flash is checked in kvxsim's state file and its request log, the
// document and the printed page in their files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/update_setup_template.h"
#include "loader/flash_map.h"
#include "new_document_file.h"
#include "program_run.h"
#include "setup/setup_block.h"
#include "sim/exchange_log.h"
#include "sim/state_file.h"
#include "temp_directory.h"
#include "update_files.h"
#include "wine_com_port.h"

namespace {

using kvx::test::ProgramRun;
using kvx::test::SimulatorProcess;
using kvx::test::TempDirectory;
using kvx::test::WineComPort;
using ::testing::HasSubstr;

// The name wine gives a path of the Linux file system.
std::string WindowsPath(const std::filesystem::path& path) {
  std::string windows = "Z:" + path.string();
  for (char& c : windows) {
    if (c == '/') c = '\\';
  }
  return windows;
}

// The requests the probe saw, in order, as kvxsim --verbose logs them: the payload's bytes,
// whose third is the command's letter.
std::vector<std::string> Requests(const std::string& log) {
  std::istringstream lines(log);
  std::vector<std::string> requests;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t start = line.find("<- ");
    if (start != std::string::npos) requests.push_back(line.substr(start + 3));
  }
  return requests;
}

std::string Letter(const std::string& request) {
  return request.substr(6, 2);
}

// The last request that programmed the probe's flash ('h') anywhere but at `otherThan`, the
// address following the letter high byte first.
std::string LastProgramRequest(const std::vector<std::string>& requests, std::uint32_t otherThan) {
  const std::uint8_t address[] = {
      static_cast<std::uint8_t>(otherThan >> 24), static_cast<std::uint8_t>(otherThan >> 16),
      static_cast<std::uint8_t>(otherThan >> 8), static_cast<std::uint8_t>(otherThan)};
  const std::string other = kvx::sim::HexBytes(address, sizeof address);
  std::string last;
  for (const std::string& request : requests) {
    if (Letter(request) == "68" && request.compare(9, other.size(), other) != 0) last = request;
  }
  return last;
}

// The dialog's tab stops in the template's order from Connect, the first, round to it again,
// past the buttons that stay disabled until a probe is connected.
std::string TabOrderAtOpen() {
  std::string order;
  for (const kvx::ControlTemplate& control : kvx::kUpdateSetupTemplate) {
    const bool disabled = control.id == kvx::kCurrentButtonId ||
                          control.id == kvx::kUpdateButtonId ||
                          control.id == kvx::kTransmitButtonId || control.id == kvx::kEraseButtonId;
    if ((kvx::StylesOf(control.kind) & kvx::kTabStop) == 0 || disabled) continue;
    order += std::to_string(control.id) + " ";
  }
  return order + std::to_string(kvx::kConnectButtonId);
}

// The ASCII letters of `text` in upper case, as a user may type a path.
std::string Shouted(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x80) c = static_cast<char>(std::toupper(c));
  }
  return text;
}

// Every wine process of the window's own prefix ends with the display it was started on.
struct WinePrefixSession {
  WinePrefixSession() { std::system("wineserver -k 2>/dev/null"); }
  ~WinePrefixSession() { std::system("wineserver -k 2>/dev/null; wineserver -w 2>/dev/null"); }
};

TEST(KvxsetupUnderWine, WorksTheProbeThroughTheDialogAndReopensTheDocumentWhereItWasLeft) {
  const WinePrefixSession session;
  kvx::test::UpdateFiles files;
  files.AddFirmware(105);
  files.AddLogic("KVXLOG70.105");
  const TempDirectory folder;
  const std::vector<std::uint8_t> document = kvx::test::NewDocumentFile();
  folder.Write("start.gdb", std::string(document.begin(), document.end()));
  const std::string state = (folder / "probe.state").string();
  // The first sector erase takes three seconds, while the driver looks at the window.
  SimulatorProcess sim(KVXSIM_PATH,
                       {"--rate", "9600", "--serial", "1234567890", "--state", state, "--late",
                        "g:1", "--late-ms", "3000", "--verbose"},
                       (folder / "sim.log").string());
  const WineComPort port(sim.Path());

  const ProgramRun run =
      kvx::test::RunProgram("KVXSETUP_UPDATE_DIR='" + WindowsPath(files.Path()) + "' wine " +
                                std::getenv("KVXSETUP_DRIVER_EXE"),
                            "'" + WindowsPath(std::getenv("KVXSETUP_EXE")) + "' '" +
                                WindowsPath(folder.Path()) + "' " + std::to_string(port.Number()));
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const std::string documentPath = WindowsPath(folder.Path()) +
                                   "\\Pr\xC3\xBC"
                                   "fung \xCE\xA9\\probe.gdb";
  for (const std::string& shown : std::vector<std::string>{
           "title: probe.gdb - kvxGDB",
           "toolbar entries: 8",
           "status panes: 4",
           "idle status: For Help, press F1",
           "setup prompt: Update KVX firmware and store configuration",
           "toolbar shows its own pictures: yes",
           "pointing at the first button: Create a new document",
           "lock panes: grey grey grey",
           "lock panes with Caps Lock on: black grey grey",
           "fast update at first: kept as ''",
           "fast update turned on: kept as '1'",
           // The print dialog's own message, as it has none to offer.
           "message: Before you can perform printer-related tasks such as page setup or printing a "
           "document, you need to install a printer. Please install one and retry.",
           "message: Update KVX firmware and store configuration",
           "focus: 129",
           "tab order: " + TabOrderAtOpen(),
           "connect: Connecting to KVX Loader passed!",
           // Connect is disabled, and the keyboard goes on to the next control that takes it.
           "focus after Connect: 113",
           "focus after Tab: 120",
           "serial number: 1234567890",
           "loader: 1.03",
           "firmware: 1.04",
           "newest firmware: 1.05",
           "logic: 1.04",
           "newest logic: 1.05",
           "main window during Update: wait cursor",
           "session end during Update: held",
           "update: Updating firmware and logic passed!",
           "updated firmware: 1.05",
           "message: The character \"\xCF\x89\" (U+03C9) cannot be kept: the setup's texts hold "
           "only the characters of this computer's code page. Type the text without it.",
           "configuration file typed: probe\xE2\x82\xAC.cfg",
           "transmit: Writing setup data passed",
           "message: Erase Flash and EPLD?",
           "after erase declined: Writing setup data passed",
           "message: Save changes to " + documentPath + "?",
           "session end, saving cancelled: held",
           "session end, saving: ends",
           "place kept at the session's end: 123,77",
           "recent file is the document: yes",
           "reopened at: 123,77 500x400",
           "reopened probe address: 192.168.7.70",
           "reopened configuration file: probe\xE2\x82\xAC.cfg",
           "reopened port: " + std::to_string(port.Number()),
           // The cause is kept behind the failure's expander, and the document stays open.
           "message: Failed to open document.",
           "behind the expander: " + WindowsPath(folder.Path()) +
               "\\Pr\xC3\xBC"
               "fung \xCE\xA9\\gone.gdb: cannot be opened (No such file or directory)",
           "title after a failed open: probe.gdb - kvxGDB",
           "recent files: " + Shouted(documentPath),
           "with damaged toolbar pictures, exit status: 1",
       }) {
    EXPECT_THAT(run.out, HasSubstr(shown + "\n"));
  }

  sim.Stop();
  kvx::sim::DeviceState device;
  ASSERT_TRUE(kvx::sim::LoadDeviceState(state, device));
  std::vector<std::uint8_t> image(kvx::kImageMarker.begin(), kvx::kImageMarker.end());
  const std::vector<std::uint8_t> binary = kvx::test::FirmwareBinary(105);
  image.insert(image.end(), binary.begin(), binary.end());
  EXPECT_EQ(device.flash.Read(kvx::kImageMarkerAddress, image.size()), image);
  // The euro sign typed is the code page's byte, in the probe and in the document alike.
  const auto block = kvx::BuildSetupBlock(
      "1234567890",
      {"192.168.7.2", "192.168.7.70", "255.255.255.0", "192.168.7.1", "probe\x80.cfg"});
  ASSERT_TRUE(block);
  EXPECT_EQ(device.flash.Read(kvx::kSetupBlockAddress, block->size()),
            std::vector<std::uint8_t>(block->begin(), block->end()));
  EXPECT_THAT(folder.Read("Pr\xC3\xBC"
                          "fung \xCE\xA9/probe.gdb"),
              HasSubstr("\x0Aprobe\x80.cfg"));
  EXPECT_THAT(folder.Read("printed.ps"), HasSubstr("%%Pages: 1\n"));
  // The update writes the marker last, so one cut short never leaves a startable half image;
  // Transmit wrote the setup block afterwards, and Ok started the firmware ('q') last of all.
  const std::vector<std::string> requests = Requests(folder.Read("sim.log"));
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(Letter(requests.back()), "71");
  EXPECT_THAT(LastProgramRequest(requests, kvx::kSetupBlockAddress),
              HasSubstr(kvx::sim::HexBytes(kvx::kImageMarker.data(), kvx::kImageMarker.size())))
      << folder.Read("sim.log");
}

}  // namespace
