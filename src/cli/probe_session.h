#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/control_values.h"
#include "app/setup_document.h"
#include "app/update_setup_actions.h"
#include "cli/frame_trace.h"
#include "cli/interruption.h"
#include "cli/output_file.h"
#include "cli/probe_outcome.h"
#include "cli/terminal_services.h"
#include "cli/transfer_meter.h"
#include "images/firmware_update.h"
#include "images/update_catalogue.h"
#include "link/chosen_port.h"
#include "link/probe_link.h"
#include "setup/setup_block.h"

namespace kvx::cli {

inline constexpr std::uint32_t kDefaultSpeed = 115200;

// What every probe command takes from its command line.
struct ProbeOptions {
  std::vector<std::string> ports;  // device paths or patterns of them, or COM1 to COM19
  std::uint32_t speed = kDefaultSpeed;
  bool json = false;
  bool trace = false;
  std::string reportPath;  // where each probe's record is appended; empty for none
};

enum class PortRule {
  kRequired,
  kMayComeFromDocument,  // the command checks that a port was named one way or the other
};

void AddProbeOptions(CLI::App& command, ProbeOptions& options,
                     PortRule portRule = PortRule::kRequired);

// What a session needs besides the probe options.
struct SessionSettings {
  SetupDocument document;  // the network texts the dialog would be opened with
  std::filesystem::path updateDirectory;
  Confirmation confirmation = Confirmation::kAsk;
  RunFiles* runFiles = nullptr;     // the run's, shared by every probe it serves
  std::FILE* traceStream = stderr;  // where --trace writes the frames
};

// One probe connection for the length of one command, run through the dialog's own action
// sequences: Connect() is the dialog opening and its Connect button, and Finish() its OK
// button (Cancel if OK's check cannot pass), so the probe is left running its firmware and
// the port closed, also when the command fails halfway. Status texts and message boxes go
// to `out`, standard error or a row of the board, which keeps standard output for the
// command's report. Once a stop is requested the step under way ends with its exchange, and
// only what leaves the probe as it should be is sent: programming mode left, firmware started.
class ProbeSession {
 public:
  ProbeSession(const ProbeOptions& options, std::string port, SessionSettings settings,
               StatusOutput& out, TerminalServices::Input in);
  ~ProbeSession();
  ProbeSession(const ProbeSession&) = delete;
  ProbeSession& operator=(const ProbeSession&) = delete;

  // Opens the dialog and connects; false after the reason has been shown. An invalid probe
  // IP address is refused before any port is opened.
  bool Connect();
  // Starts the firmware and closes the port after a passed Connect; later calls do nothing.
  void Finish();

  UpdateSetupActions& Actions() { return actions_; }
  const UpdateSetupActions& Actions() const { return actions_; }
  const ControlValues& Controls() const { return controls_; }
  TerminalServices& Services() { return services_; }
  const TerminalServices& Services() const { return services_; }
  TransferMeter& Meter() { return meter_; }
  // The connected probe's link, for the requests kvxctl makes beyond the dialog's actions.
  ProbeLink& Link() { return link_; }
  ProbeOutcome& Outcome() { return outcome_; }
  const ProbeOutcome& Outcome() const { return outcome_; }
  const std::string& Port() const { return portName_; }
  const std::filesystem::path& UpdateDirectory() const { return catalogue_.Directory(); }
  // The files the run reads and writes, for an output named after this probe.
  RunFiles& Files() { return *runFiles_; }
  // Puts these network texts in the fields, as typing them into the dialog would.
  void UseNetworkTexts(const NetworkSetupTexts& texts);
  std::uint32_t BaudRate() const { return link_.baudRate; }

 private:
  ErrorCode OpenLink();

  ProbeOptions options_;
  std::string portName_;
  ChosenPort port_;
  std::unique_ptr<SerialChannel> channel_;
  InterruptibleChannel stoppable_;
  FrameTrace trace_;
  TransferMeter meter_;
  ProbeLink link_;
  ControlValues controls_;
  TerminalServices services_;
  FirmwareProgress firmwareProgress_;
  UpdateCatalogue catalogue_;
  UpdateSetupActions actions_;
  ProbeOutcome outcome_;
  RunFiles* runFiles_;
  int openCalls_ = 0;
  bool open_ = false;
};

}  // namespace kvx::cli
