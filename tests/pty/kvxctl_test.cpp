// kvxctl and kvxsim as a user runs them: separate processes, talking over a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

using ::testing::HasSubstr;

struct CommandResult {
  int status;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::string text;
  if (std::FILE* f = std::fopen(path.c_str(), "r")) {
    std::array<char, 4096> chunk;
    while (std::size_t n = std::fread(chunk.data(), 1, chunk.size(), f))
      text.append(chunk.data(), n);
    std::fclose(f);
  }
  return text;
}

CommandResult Kvxctl(const std::string& arguments) {
  const std::string dir = ::testing::TempDir();
  const std::string out = dir + "kvxctl.out", err = dir + "kvxctl.err";
  const std::string command =
      std::string(KVXCTL_PATH) + " " + arguments + " >" + out + " 2>" + err + " </dev/null";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
}

// kvxsim in its own process; its first line of output is the terminal to open.
class SimulatorProcess {
 public:
  explicit SimulatorProcess(std::vector<std::string> arguments) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      close(fds[1]);
      arguments.insert(arguments.begin(), KVXSIM_PATH);
      std::vector<char*> argv;
      for (std::string& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      execv(KVXSIM_PATH, argv.data());
      _exit(127);
    }
    close(fds[1]);
    output_ = fdopen(fds[0], "r");
    std::array<char, 256> line{};
    if (output_ && std::fgets(line.data(), line.size(), output_)) path_ = line.data();
    if (!path_.empty() && path_.back() == '\n') path_.pop_back();
  }
  ~SimulatorProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (output_) std::fclose(output_);
  }
  const std::string& Path() const { return path_; }

 private:
  pid_t pid_ = -1;
  std::FILE* output_ = nullptr;
  std::string path_;
};

TEST(Kvxctl, InfoShowsTheProbeAsJson) {
  SimulatorProcess sim({"--rate", "19200", "--firmware", "1.05", "--serial", "SIMTEST0"});
  ASSERT_THAT(sim.Path(), HasSubstr("/dev/pts/"));
  const CommandResult run = Kvxctl("info --port " + sim.Path() + " --speed 57600 --json");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto info = nlohmann::json::parse(run.out);
  EXPECT_EQ(info["firmwareVersion"], "1.05");
  EXPECT_EQ(info["logicVersion"], "1.04");
  EXPECT_EQ(info["serialNumber"], "SIMTEST0");
  EXPECT_EQ(info["macAddress"], "02B7E9SIMTES");
  EXPECT_EQ(info["baudRate"], 57600);
}

TEST(Kvxctl, TraceShowsEveryFrameWithDirectionAndTime) {
  SimulatorProcess sim({"--rate", "9600", "--serial", "SIMTEST0", "--corrupt-checksum", "d:1"});
  const CommandResult run = Kvxctl("info --port " + sim.Path() + " --speed 9600 --trace");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("Serial number:     SIMTEST0"));
  EXPECT_THAT(run.err, HasSubstr(" ms => DB DE\n"));
  EXPECT_THAT(run.err, HasSubstr(" ms -> 00 01 01\n"));
  EXPECT_THAT(run.err, HasSubstr(" ms -> 10 01 72\n"));  // 'r', the first request
  EXPECT_THAT(run.err, HasSubstr(" ms <- (broken frame: checksum mismatch)\n"));
  EXPECT_THAT(run.err, HasSubstr(" ms <- 50 0F 64"));  // the retried identity reply
}

TEST(Kvxctl, FailuresAndUsageErrorsHaveTheirOwnExitStatus) {
  struct Case {
    std::string arguments;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"info --port /nonexistent/tty", 1, "Cannot connect to KVX loader!"},
      {"info --port /nonexistent/tty", 1, "no such device"},
      {"info", 2, "--port is required"},
      {"info --port x --speed 12345", 2, "12345"},
      {"frobnicate", 2, ""},
  };
  for (const Case& c : cases) {
    const CommandResult run = Kvxctl(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    EXPECT_THAT(run.err, HasSubstr(c.message)) << c.arguments;
  }
}

}  // namespace
