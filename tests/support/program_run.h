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
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
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

// How often `part` stands in `text`.
inline std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Each line of `text` parsed as JSON, by the port it names; a line that is none throws.
inline std::map<std::string, nlohmann::json> RecordsByPort(const std::string& text) {
  std::map<std::string, nlohmann::json> records;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const auto record = nlohmann::json::parse(line);
    records[record.value("port", "")] = record;
  }
  return records;
}

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

#ifdef KVXCTL_PATH
inline ProgramRun Kvxctl(const std::string& arguments) {
  return RunProgram(KVXCTL_PATH, arguments);
}

// kvxctl in a process of its own, to be signalled or killed halfway. Its standard error goes
// to a file the test watches; standard output goes nowhere, or into a pipe nobody reads.
class KvxctlProcess {
 public:
  KvxctlProcess(const std::string& arguments, std::string errPath, bool outputToClosedPipe = false,
                const std::string& program = KVXCTL_PATH)
      : errPath_(std::move(errPath)) {
    pid_ = fork();
    if (pid_ != 0) return;
    int out = open("/dev/null", O_WRONLY);
    if (int ends[2]; outputToClosedPipe && pipe(ends) == 0) {
      close(ends[0]);
      out = ends[1];
    }
    dup2(out, STDOUT_FILENO);
    const std::string command =
        "exec " + program + " " + arguments + " 2>" + errPath_ + " </dev/null";
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ~KvxctlProcess() {
    if (pid_ > 0) Signal(SIGKILL);
    Wait();
  }
  KvxctlProcess(const KvxctlProcess&) = delete;
  KvxctlProcess& operator=(const KvxctlProcess&) = delete;

  pid_t Pid() const { return pid_; }
  std::string Err() const { return ReadTextFile(errPath_); }
  bool ErrShows(const std::string& text) const {
    return Eventually([&] { return Err().find(text) != std::string::npos; });
  }
  void Signal(int signal) const {
    if (pid_ > 0) kill(pid_, signal);
  }
  // How it ended: the exit status, or 256 and the signal that ended it, which no exit status is
  // (a shell's 128 and the signal would pass a run killed by SIGINT for one that exited 130).
  int Wait() {
    if (pid_ <= 0) return status_;
    int raw = 0;
    waitpid(pid_, &raw, 0);
    pid_ = -1;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 256 + WTERMSIG(raw);
    return status_;
  }

 private:
  std::string errPath_;
  pid_t pid_ = -1;
  int status_ = -1;
};
#endif

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
