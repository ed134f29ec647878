#include <CLI/CLI.hpp>

#include "cli/erase_command.h"
#include "cli/exit_status.h"
#include "cli/files_command.h"
#include "cli/info_command.h"
#include "cli/ports_command.h"
#include "cli/transmit_command.h"
#include "cli/update_command.h"

int main(int argc, char** argv) {
  CLI::App app{"kvxctl: update and set up the KVX7000 debug probe over its serial line"};
  app.require_subcommand(1);
  int exitStatus = kvx::cli::kExitOk;
  kvx::cli::AddPortsCommand(app, exitStatus);
  kvx::cli::AddInfoCommand(app, exitStatus);
  kvx::cli::AddFilesCommand(app, exitStatus);
  kvx::cli::AddUpdateCommand(app, exitStatus);
  kvx::cli::AddTransmitCommand(app, exitStatus);
  kvx::cli::AddEraseCommand(app, exitStatus);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? kvx::cli::kExitOk : kvx::cli::kExitUsage;
  }
  return exitStatus;
}
