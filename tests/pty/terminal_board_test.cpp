// kvxctl serving several probes as a person sees it on a terminal: a tmux pane of a given
// width, filled by kvxctl and read back as its screen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "program_run.h"
#include "temp_directory.h"

namespace kvx {
namespace {

using test::Eventually;
using test::SimulatorProcess;
using test::TempDirectory;
using ::testing::HasSubstr;
using ::testing::Not;

// A tmux pane `width` columns wide running `command`, on a tmux server of its own.
class TerminalPane {
 public:
  TerminalPane(const std::string& command, int width)
      : tmux_("tmux -L kvxtest" + std::to_string(getpid()) + "-" + std::to_string(width) + " ") {
    Run("new-session -d -x " + std::to_string(width) + " -y 24 \"" + command + "; sleep 60\"");
  }
  ~TerminalPane() { Run("kill-server"); }
  TerminalPane(const TerminalPane&) = delete;
  TerminalPane& operator=(const TerminalPane&) = delete;

  // The screen's lines; `joined`, a line the terminal wrapped is one line again.
  std::vector<std::string> Screen(bool joined = false) const {
    const TempDirectory dir;
    Run(std::string("capture-pane -p ") + (joined ? "-J " : "") + "> " + (dir / "screen").string());
    std::istringstream text(test::ReadTextFile((dir / "screen").string()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  std::string Text() const {
    std::string text;
    for (const std::string& line : Screen()) text += line + "\n";
    return text;
  }
  void Press(const std::string& key) const { Run("send-keys " + key); }

 private:
  void Run(const std::string& arguments) const {
    const int status = std::system((tmux_ + arguments).c_str());
    static_cast<void>(status);
  }

  std::string tmux_;
};

// Two probes updated at once on narrow terminals, then stopped: each row keeps its step's
// percentage while it runs, rows give up the serial number and the port's directory before
// that, the notice and the summary are broken into lines, and nothing wraps or stays behind.
TEST(ProbeBoard, FitsNarrowTerminalsAndEndsCleanlyOnCtrlC) {
  const TempDirectory dir;
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--pace", "--count", "2", "--link",
                                     (dir / "probe").string()});
  for (const int width : {30, 40}) {
    SCOPED_TRACE(width);
    TerminalPane pane(std::string(KVXCTL_PATH) + " update --dir " + DEMO_UPDATES + " --port " +
                          (dir / "probe1").string() + " --port " + (dir / "probe2").string(),
                      width);
    // A row shows its step's bare text until the step's first progress; cut to the width, a
    // row that lost its percentage would never match.
    ASSERT_TRUE(Eventually([&pane] {
      int rowsWithPercentage = 0;
      for (const std::string& row : pane.Screen()) {
        if (row.rfind("probe", 0) == 0 && row.size() > 3 &&
            row.compare(row.size() - 3, 3, "% )") == 0)
          ++rowsWithPercentage;
      }
      return rowsWithPercentage == 2;
    })) << pane.Text();
    pane.Press("C-c");
    // The summary, "2 probes: 0 passed, 0 failed, 2 interrupted", on as many lines as it takes.
    ASSERT_TRUE(Eventually([&pane] {
      const std::string text = pane.Text();
      const std::size_t summary = text.find("2 probes:");
      return summary != std::string::npos && text.rfind("interrupted") > summary;
    })) << pane.Text();
    for (const std::string& line : pane.Screen(true)) {
      EXPECT_LT(line.size(), static_cast<std::size_t>(width)) << line;
    }
    EXPECT_THAT(pane.Text(), Not(HasSubstr("%")));
    EXPECT_THAT(pane.Text(), HasSubstr("probe1  interrupted: the"));
    EXPECT_THAT(pane.Text(), HasSubstr("stopping after the exchange"));
  }
}

// info on several probes: each probe's line shows what info shows of one probe, once.
TEST(ProbeBoard, InfoShowsEachProbesVersionsOnce) {
  SimulatorProcess sim(KVXSIM_PATH, {"--rate", "115200", "--count", "2"});
  TerminalPane pane(
      std::string(KVXCTL_PATH) + " info --port " + sim.Paths()[0] + " --port " + sim.Paths()[1],
      100);
  ASSERT_TRUE(Eventually([&pane] { return pane.Text().find("2 probes:") != std::string::npos; }))
      << pane.Text();
  const std::string text = pane.Text();
  // Followed by its blank, so /dev/pts/1 is not found inside /dev/pts/11.
  for (const std::string& port : sim.Paths()) {
    EXPECT_EQ(text.find(port + " "), text.rfind(port + " ")) << text;
  }
  EXPECT_THAT(text, HasSubstr("passed: loader 1.03, firmware 1.04, logic 1.04, MAC 02B7E9"));
}

}  // namespace
}  // namespace kvx
