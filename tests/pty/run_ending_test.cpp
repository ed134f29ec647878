// How a kvxctl run ends when it is cut short or cannot write what it must: signals, a killed
// process, a closed pipe, a report file that cannot take a record. Each is judged by what the
// probe, the report and the next run find afterwards.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "child_process.h"
#include "cli/terminal_services.h"
#include "program_run.h"
#include "simulated_probe.h"
#include "temp_directory.h"
#include "update_files.h"

namespace kvx {
namespace {

using test::ProgramRun;
using test::ReadTextFile;
using test::SimulatorProcess;
using test::TempDirectory;
using ::testing::HasSubstr;
using ::testing::Not;

// A report that is no regular file is refused before any port is opened (the port named here
// does not exist, which would fail the run with status 1), and a FIFO without a reader is
// refused at once rather than waited on.
TEST(RunEnding, AReportThatIsNoRegularFileIsRefusedFirst) {
  const TempDirectory dir;
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& report : {fifo, dir.Path().string(), std::string("/dev/null")}) {
    SCOPED_TRACE(report);
    const ProgramRun run = test::RunProgram("timeout 60 " KVXCTL_PATH,
                                            "info --port /nonexistent/tty --report " + report);
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("cannot open the report file " + report +
                                   " for appending: it is not a regular file"));
  }
}

}  // namespace
}  // namespace kvx
