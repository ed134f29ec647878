#include "cli/kvxctl.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_report.h"
#include "cli/commands.h"
#include "cli/status_output.h"
#include "kvxctl_com_port_rule.h"
#include "link/serial_port.h"
#include "os/system.h"
#include "program_version.h"

namespace kvx::cli {

namespace {

constexpr char kProgram[] = "kvxctl";

const PortNaming& naming = ThisSystemsPortNaming();

// The environment lines of a command that opens a port: KVXSETUP_COMn, where it means anything.
std::string PortVariable() {
  if (!naming.comNumbersPortsPresent) return "";
  constexpr std::size_t kHelpWidth = 90;
  const std::string indent(23, ' ');
  std::string lines = "  KVXSETUP_COMn        ";
  for (const char c : WrappedForTerminal(kKvxctlComPortRule, kHelpWidth - indent.size())) {
    lines += c == '\n' ? "\n" + indent : std::string(1, c);
  }
  return lines + "\n";
}

const std::string kUpdateDirVariable =
    "  KVXSETUP_UPDATE_DIR  where the update files are when --dir is not given; else the\n"
    "                       program's own directory\n";

const std::string kExitStatuses =
    "Exit status: 0 success (of every probe), 1 a probe could not be reached, answered\n"
    "wrongly or the erase was declined, 2 bad usage, 130 interrupted.";

// What each command's --help ends with: the environment it reads, then examples, with this
// system's port names and its shell's quotes.
struct CommandFooter {
  const char* command;
  std::string environment;
  std::vector<std::string> examples;
};

const std::vector<CommandFooter>& CommandFooters() {
  const std::string port = naming.port;
  const std::string other = naming.otherPort;
  const std::string pattern = naming.quotedPattern;
  static const std::vector<CommandFooter> footers = {
      {"ports", "", {"kvxctl ports", "kvxctl ports --json"}},
      {"info",
       PortVariable(),
       {"kvxctl info --port " + port, "kvxctl info --port COM1 --speed 57600 --json",
        "kvxctl info --port " + port + " --trace"}},
      {"files",
       kUpdateDirVariable,
       {"kvxctl files", "kvxctl files --dir " + std::string(naming.directory) + " --json"}},
      {"update",
       PortVariable() + kUpdateDirVariable,
       {"kvxctl update --port COM1 --dry-run", "kvxctl update --port " + port + " --dir release",
        "kvxctl update --port " + pattern + " --report line.jsonl",
        "kvxctl update --port COM1 --record-by-record --no-verify",
        "kvxctl update --port " + port + " --firmware saved.srec --logic saved.jed"}},
      {"read",
       PortVariable(),
       {"kvxctl read --port " + port + " --firmware saved.srec --logic saved.jed",
        "kvxctl read --port " + pattern + " --firmware fw-{serial}.srec --report read.jsonl"}},
      {"transmit",
       PortVariable(),
       {"kvxctl transmit --port COM1 --ip 10.0.0.7 --mask 255.255.255.0 --gateway 10.0.0.1 "
        "--host 10.0.0.2 --config-file probe.cfg",
        "kvxctl transmit --document lab.gdb --ip 10.0.0.8",
        "kvxctl transmit --settings probes.csv --port " + port + " --port " + other}},
      {"erase", PortVariable(), {"kvxctl erase --port COM1", "kvxctl erase --port COM1 --yes"}},
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
             PortVariable() + kUpdateDirVariable + "\n" + kExitStatuses);
  for (const CommandFooter& footer : CommandFooters()) {
    app.get_subcommand(footer.command)->footer(FooterText(footer) + "\n\n" + kExitStatuses);
  }
}

// `kvxctl help [COMMAND]`: the same text as --help, for those who type it git's way.
void AddHelpCommand(CLI::App& app, const CommandIo& io, int& exitStatus) {
  CLI::App* command = app.add_subcommand("help", "Show this help, or the help of one command");
  auto topic = std::make_shared<std::string>();
  command->add_option("command", *topic, "The command to explain");
  command->callback([&app, command, topic, &io, &exitStatus] {
    // An empty word names no command, as any other word that names none.
    if (command->count("command") == 0) {
      // App::help() would describe the command being run, this one.
      std::fputs(app.get_formatter()->make_help(&app, kProgram, CLI::AppFormatMode::Normal).c_str(),
                 io.out);
      return;
    }
    const auto subcommands = app.get_subcommands(
        [&topic](const CLI::App* candidate) { return candidate->get_name() == *topic; });
    if (subcommands.empty()) {
      std::fprintf(io.err, "kvxctl help: '%s' is not a kvxctl command\n", topic->c_str());
      exitStatus = kExitUsage;
      return;
    }
    std::fputs(subcommands.front()->help(kProgram).c_str(), io.out);
  });
}

// Edits (insertions, deletions, changes and swaps of neighbours) between two words.
std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// " (did you mean 'update'?)" for the candidate nearest to `word`, if one is near enough to be
// a slip of the fingers; empty otherwise.
std::string Suggestion(const std::string& word, const std::vector<std::string>& candidates) {
  // Dashes alone ("-", "--") are no slip for "-h".
  if (word.find_first_not_of('-') == std::string::npos) return "";
  constexpr std::size_t kNearEnough = 2;
  const std::string* nearest = nullptr;
  std::size_t best = kNearEnough + 1;
  for (const std::string& candidate : candidates) {
    const std::size_t distance = EditDistance(word, candidate);
    if (distance < best && distance < candidate.size()) {
      best = distance;
      nearest = &candidate;
    }
  }
  return nearest ? " (did you mean '" + *nearest + "'?)" : "";
}

std::vector<std::string> CommandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands({})) names.push_back(command->get_name());
  return names;
}

std::vector<std::string> OptionNames(const CLI::App& command) {
  std::vector<std::string> names;
  for (const CLI::Option* option : command.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
  }
  return names;
}

bool StartsWithDash(const std::string& word) {
  return !word.empty() && word.front() == '-';
}

// Why the words the command line holds name nothing, or empty when all of them do. The first
// such word wins over a missing option: "--prot" typed for "--port" is the cause, not "--port
// is required".
std::string UnexpectedWordReason(CLI::App& app) {
  for (const CLI::App* command : app.get_subcommands()) {
    const std::vector<std::string> words = command->remaining();
    if (words.empty()) continue;
    const std::string& word = words.front();
    const std::string kind = StartsWithDash(word) ? "unknown option '" : "unexpected argument '";
    return kind + word + "' for 'kvxctl " + command->get_name() + "'" +
           Suggestion(word, OptionNames(*command));
  }
  const std::vector<std::string> words = app.remaining();
  if (words.empty()) return "";
  const std::string& word = words.front();
  if (StartsWithDash(word))
    return "unknown option '" + word + "'" + Suggestion(word, OptionNames(app));
  // A word CLI11 leaves to the program ("info --port x -- extra") is the command's.
  if (const std::vector<CLI::App*> commands = app.get_subcommands(); !commands.empty())
    return "unexpected argument '" + word + "' for 'kvxctl " + commands.front()->get_name() + "'";
  return "unknown command '" + word + "'" + Suggestion(word, CommandNames(app));
}

bool IsOptionWord(const CLI::App& command, const std::string& word) {
  return word.rfind("--", 0) == 0 ||
         (word.size() > 1 && word.front() == '-' && command.get_option_no_throw(word) != nullptr);
}

// The option of `command` that `word` names, when it takes a value; nullptr otherwise.
const CLI::Option* ValueOption(const CLI::App& command, const std::string& word) {
  const CLI::Option* option = StartsWithDash(word) ? command.get_option_no_throw(word) : nullptr;
  return option != nullptr && option->get_expected_max() != 0 ? option : nullptr;
}

// Why an option that takes a value is given none: it is followed by another option instead
// ("--port --firmware F", the port forgotten), or by an '=' with nothing behind it. CLI11
// would take that option, and every word after it, as the value. Empty when there is none.
std::string MissingValueReason(const CLI::App& app, const std::vector<std::string>& words) {
  const CLI::App* command = nullptr;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (command == nullptr) {
      const auto named = app.get_subcommands(
          [&](const CLI::App* candidate) { return candidate->get_name() == words[i]; });
      if (!named.empty()) command = named.front();
      continue;
    }
    const std::string prefix = "kvxctl " + command->get_name() + ": ";
    const std::string& word = words[i];
    if (word.size() > 1 && word.back() == '=' &&
        ValueOption(*command, word.substr(0, word.size() - 1))) {
      return prefix + word.substr(0, word.size() - 1) + " needs a value, but " + word +
             " gives none";
    }
    if (!ValueOption(*command, word) || i + 1 == words.size()) continue;
    if (IsOptionWord(*command, words[i + 1])) {
      return prefix + word + " needs a value, but " + words[i + 1] + " follows it";
    }
    ++i;
  }
  return "";
}

// With --json a script reads standard output, so it gets the reason there as well.
int ReportUsageError(const CommandIo& io, const std::string& reason, bool json) {
  std::fprintf(io.err, "%s\nRun 'kvxctl help' for the commands and options.\n", reason.c_str());
  if (json) PrintJson(io.out, {{"passed", false}, {"reason", reason}});
  return kExitUsage;
}

// What CLI11 prints itself, help and the version, on the command's streams.
int ReportCli11Exit(const CLI::App& app, const CLI::ParseError& error, const CommandIo& io) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = app.exit(error, out, err);
  std::fputs(out.str().c_str(), io.out);
  std::fputs(err.str().c_str(), io.err);
  return status;
}

// CLI11 reports a word that names no command as a missing command, and an unknown option
// after a missing one; say what was wrong. Help and the version are CLI11's to print.
int ReportParseError(CLI::App& app, const CLI::ParseError& error, bool json, const CommandIo& io) {
  if (const std::string reason = UnexpectedWordReason(app); !reason.empty()) {
    return ReportUsageError(io, "kvxctl: " + reason, json);
  }
  if (error.get_exit_code() == 0) return ReportCli11Exit(app, error, io);
  const std::vector<CLI::App*> commands = app.get_subcommands();
  const std::string command = commands.empty() ? "" : " " + commands.front()->get_name();
  return ReportUsageError(io, "kvxctl" + command + ": " + error.what(), json);
}

}  // namespace

int RunKvxctl(const std::vector<std::string>& args, const CommandIo& io) {
  CLI::App app{"kvxctl: update and set up the KVX7000 debug probe over its serial line", kProgram};
  app.require_subcommand(1);
  app.set_version_flag("--version", VersionText(kProgram), "Print the version and exit");
  int exitStatus = kExitOk;
  AddPortsCommand(app, io, exitStatus);
  AddInfoCommand(app, io, exitStatus);
  AddFilesCommand(app, io, exitStatus);
  AddUpdateCommand(app, io, exitStatus);
  AddReadCommand(app, io, exitStatus);
  AddTransmitCommand(app, io, exitStatus);
  AddEraseCommand(app, io, exitStatus);
  AddHelpCommand(app, io, exitStatus);
  AddFooters(app);
  // Started with a double click, kvxctl has a console window of its own that would close with
  // the first message still unread: it shows its help and waits for Enter instead.
  if (args.empty() && os::ConsoleClosesOnExit()) {
    std::fprintf(io.out,
                 "%s\nkvxctl is used from a command prompt (cmd or PowerShell). Press Enter to "
                 "close this window.",
                 app.help(kProgram).c_str());
    std::fflush(io.out);
    std::fgetc(io.in);
    return kExitUsage;
  }
  const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
  if (const std::string reason = MissingValueReason(app, args); !reason.empty()) {
    return ReportUsageError(io, reason, json);
  }
  // CLI11 takes the words last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    return ReportParseError(app, error, json, io);
  }
  return exitStatus;
}

}  // namespace kvx::cli
