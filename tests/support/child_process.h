#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "temp_directory.h"

namespace kvx::test {

// How a step is confined in its child process.
struct ChildLimits {
  // Gives up root for the user nobody first, as people run the program: root is exempt from
  // the exclusive-use mark and from file permissions.
  bool unprivileged = false;
  unsigned alarmSeconds = 0;      // ends a step that waits; 0: no end
  rlim_t addressSpaceGrowth = 0;  // the most it may map beyond what it has; 0: no limit
  // The programs and folders the step runs or enters, checked once the child is confined, so a
  // step that cannot reach them fails at once saying so, instead of waiting for what never runs.
  std::vector<std::string> reaches = {};
};

// Why the child could not be confined by `limits`; empty when it is.
inline std::string ConfineChild(const ChildLimits& limits) {
  constexpr uid_t kNobody = 65534;
  if (limits.unprivileged && geteuid() == 0 &&
      (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
    return std::string("could not become the user nobody: ") + std::strerror(errno);
  }
  for (const std::string& path : limits.reaches) {
    if (access(path.c_str(), X_OK) != 0) {
      const std::string cause = std::strerror(errno);
      const passwd* user = getpwuid(geteuid());
      return "user " + std::string(user ? user->pw_name : "?") + " cannot reach " + path + " (" +
             cause + "): a folder on the way is closed to other users";
    }
  }
  if (limits.alarmSeconds != 0) alarm(limits.alarmSeconds);
  if (limits.addressSpaceGrowth != 0) {
    rlim_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t mapped = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
    const rlimit limit{mapped + limits.addressSpaceGrowth, RLIM_INFINITY};
    if (setrlimit(RLIMIT_AS, &limit) != 0) return "could not limit the address space";
  }
  return "";
}

// Runs `step` in a forked child confined by `limits` and returns what it returned, or why the
// child could not be confined; nothing when the step threw, was ended or could not send its
// result back, so a step that hangs or runs away fails its test instead of hanging it or
// exhausting the machine.
inline std::optional<std::string> RunInChild(const std::function<std::string()>& step,
                                             const ChildLimits& limits) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    try {
      const std::string unconfined = ConfineChild(limits);
      const std::string result = unconfined.empty() ? step() : unconfined;
      const bool sent =
          write(pipeEnds[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
      _exit(sent ? 0 : 1);
    } catch (...) {
      _exit(1);
    }
  }
  close(pipeEnds[1]);
  std::string result;
  char chunk[256];
  for (ssize_t got; (got = read(pipeEnds[0], chunk, sizeof chunk)) > 0;) {
    result.append(chunk, static_cast<std::size_t>(got));
  }
  close(pipeEnds[0]);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return std::nullopt;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return result;
}

// A copy of one of our programs in a folder of its own that every user may enter, for a step
// that runs it as an ordinary user: the build may lie in a checkout that others cannot enter
// (root's home is closed to them). The copy goes with the object.
class ProgramCopy {
 public:
  explicit ProgramCopy(const std::string& program)
      : path_((dir_ / std::filesystem::path(program).filename().string()).string()) {
    std::filesystem::copy_file(program, path_);
    chmod(dir_.Path().c_str(), 0755);
    chmod(path_.c_str(), 0755);
  }
  const std::string& Path() const { return path_; }

 private:
  TempDirectory dir_;
  std::string path_;
};

}  // namespace kvx::test
