#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "temp_directory.h"

namespace kvx::test {

// The whole content of a text file; empty when it cannot be read.
inline std::string ReadTextFile(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// What one of our programs printed and how it ended, run as a user runs it.
struct ProgramRun {
  int status;  // the exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Waits until `condition` holds; false when a minute was not enough.
inline bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Runs `program` with `arguments` (split by the shell) and no input.
inline ProgramRun RunProgram(const std::string& program, const std::string& arguments) {
  // A directory of its own: CTest runs tests side by side.
  const TempDirectory dir;
  const std::string out = (dir / "out").string(), err = (dir / "err").string();
  const std::string command = program + " " + arguments + " >" + out + " 2>" + err + " </dev/null";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadTextFile(out), ReadTextFile(err)};
}

// kvxsim in its own process, serving one probe, or as many as a "--count", "N" among the
// arguments asks for; each line of its output is the terminal of one probe. Its standard
// error goes to `logPath` when one is given.
class SimulatorProcess {
 public:
  SimulatorProcess(const std::string& program, std::vector<std::string> arguments,
                   const std::string& logPath = "")
      : paths_(std::max<std::size_t>(1, ProbeCount(arguments))) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      if (!logPath.empty())
        dup2(open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
      close(fds[0]);
      close(fds[1]);
      arguments.insert(arguments.begin(), program);
      std::vector<char*> argv;
      for (std::string& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(fds[1]);
    output_ = fdopen(fds[0], "r");
    std::array<char, 256> line{};
    for (std::string& path : paths_) {
      if (!output_ || !std::fgets(line.data(), line.size(), output_)) break;
      path = line.data();
      if (path.back() == '\n') path.pop_back();
    }
  }
  ~SimulatorProcess() {
    Stop();
    if (output_) std::fclose(output_);
  }
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  // Ends the simulator, which saves its --state file on the way out.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  // The terminal of the first probe, and of each probe in order; empty when not started.
  const std::string& Path() const { return paths_.front(); }
  const std::vector<std::string>& Paths() const { return paths_; }

 private:
  static std::size_t ProbeCount(const std::vector<std::string>& arguments) {
    const auto count = std::find(arguments.begin(), arguments.end(), "--count");
    return count == arguments.end() || count + 1 == arguments.end() ? 1 : std::stoul(count[1]);
  }

  pid_t pid_ = -1;
  std::FILE* output_ = nullptr;
  std::vector<std::string> paths_;
};

}  // namespace kvx::test
