#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_report.h"
#include "cli/commands.h"
#include "program_version.h"

namespace {

constexpr char kProgram[] = "kvxctl";

const std::string kPortVariable =
    "  KVXSETUP_COMn        the device that COMn (1 to 19) stands for; else /dev/ttyS<n-1>\n";
const std::string kUpdateDirVariable =
    "  KVXSETUP_UPDATE_DIR  where the update files are when --dir is not given; else the\n"
    "                       program's own directory\n";

const std::string kExitStatuses =
    "Exit status: 0 success (of every probe), 1 a probe could not be reached, answered\n"
    "wrongly or the erase was declined, 2 bad usage, 130 interrupted.";

// What each command's --help ends with: the environment it reads, then examples.
struct CommandFooter {
  const char* command;
  std::string environment;
  std::vector<std::string> examples;
};

const std::vector<CommandFooter>& CommandFooters() {
  static const std::vector<CommandFooter> footers = {
      {"ports", "", {"kvxctl ports", "kvxctl ports --json"}},
      {"info",
       kPortVariable,
       {"kvxctl info --port /dev/ttyUSB0", "kvxctl info --port COM1 --speed 57600 --json",
        "kvxctl info --port /dev/ttyUSB0 --trace"}},
      {"files", kUpdateDirVariable, {"kvxctl files", "kvxctl files --dir /srv/kvx7000 --json"}},
      {"update",
       kPortVariable + kUpdateDirVariable,
       {"kvxctl update --port COM1 --dry-run", "kvxctl update --port /dev/ttyUSB0 --dir ./release",
        "kvxctl update --port '/dev/ttyUSB*' --report line.jsonl",
        "kvxctl update --port COM1 --record-by-record --no-verify"}},
      {"transmit",
       kPortVariable,
       {"kvxctl transmit --port COM1 --ip 10.0.0.7 --mask 255.255.255.0 --gateway 10.0.0.1 "
        "--host 10.0.0.2 --config-file probe.cfg",
        "kvxctl transmit --document lab.gdb --ip 10.0.0.8",
        "kvxctl transmit --settings probes.csv --port /dev/ttyUSB0 --port /dev/ttyUSB1"}},
      {"erase", kPortVariable, {"kvxctl erase --port COM1", "kvxctl erase --port COM1 --yes"}},
  };
  return footers;
}

std::string FooterText(const CommandFooter& footer) {
  std::string text;
  if (!footer.environment.empty()) text += "Environment:\n" + footer.environment + "\n";
  text += "Examples:";
  for (const std::string& example : footer.examples) text += "\n  " + example;
  return text;
}

void AddFooters(CLI::App& app) {
  app.footer("Run 'kvxctl help COMMAND' for a command's options.\n\nEnvironment:\n" +
             kPortVariable + kUpdateDirVariable + "\n" + kExitStatuses);
  for (const CommandFooter& footer : CommandFooters()) {
    app.get_subcommand(footer.command)->footer(FooterText(footer) + "\n\n" + kExitStatuses);
  }
}

// `kvxctl help [COMMAND]`: the same text as --help, for those who type it git's way.
void AddHelpCommand(CLI::App& app, int& exitStatus) {
  CLI::App* command = app.add_subcommand("help", "Show this help, or the help of one command");
  auto topic = std::make_shared<std::string>();
  command->add_option("command", *topic, "The command to explain");
  command->callback([&app, topic, &exitStatus] {
    if (topic->empty()) {
      // App::help() would describe the command being run, this one.
      std::printf(
          "%s", app.get_formatter()->make_help(&app, kProgram, CLI::AppFormatMode::Normal).c_str());
      return;
    }
    const auto subcommands = app.get_subcommands(
        [&topic](const CLI::App* candidate) { return candidate->get_name() == *topic; });
    if (subcommands.empty()) {
      std::fprintf(stderr, "kvxctl help: '%s' is not a kvxctl command\n", topic->c_str());
      exitStatus = kvx::cli::kExitUsage;
      return;
    }
    std::printf("%s", subcommands.front()->help(kProgram).c_str());
  });
}

// CLI11 reports a word that names no command as a missing command; say what was wrong.
// With --json a script reads standard output, so it gets the reason there as well.
int ReportParseError(CLI::App& app, const CLI::ParseError& error, bool json) {
  const std::vector<std::string> unexpected = app.remaining();
  std::string reason = error.what();
  if (app.get_subcommands().empty() && !unexpected.empty()) {
    const std::string& word = unexpected.front();
    reason = (word.front() == '-' ? "unknown option '" : "unknown command '") + word + "'";
    std::fprintf(stderr, "kvxctl: %s\nRun 'kvxctl help' for the commands and options.\n",
                 reason.c_str());
  } else if (app.exit(error) == 0) {
    return kvx::cli::kExitOk;
  }
  if (json) kvx::cli::PrintJson({{"passed", false}, {"reason", reason}});
  return kvx::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"kvxctl: update and set up the KVX7000 debug probe over its serial line", kProgram};
  app.require_subcommand(1);
  app.set_version_flag("--version", kvx::VersionText(kProgram), "Print the version and exit");
  int exitStatus = kvx::cli::kExitOk;
  kvx::cli::AddPortsCommand(app, exitStatus);
  kvx::cli::AddInfoCommand(app, exitStatus);
  kvx::cli::AddFilesCommand(app, exitStatus);
  kvx::cli::AddUpdateCommand(app, exitStatus);
  kvx::cli::AddTransmitCommand(app, exitStatus);
  kvx::cli::AddEraseCommand(app, exitStatus);
  AddHelpCommand(app, exitStatus);
  AddFooters(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const bool json = std::find(argv + 1, argv + argc, std::string("--json")) != argv + argc;
    return ReportParseError(app, error, json);
  }
  return exitStatus;
}
