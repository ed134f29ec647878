#pragma once

#include <string>
#include <vector>

#include "cli/command_io.h"

namespace kvx::cli {

// kvxctl run in process: parses `args` (the words after the program's name) into one
// command's request and runs it on `io`. Usage errors, refusals, help and the version are
// written as the program writes them. Returns the exit status.
int RunKvxctl(const std::vector<std::string>& args, const CommandIo& io);

}  // namespace kvx::cli
