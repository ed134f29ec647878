#pragma once

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <optional>
#include <string>

namespace kvx::test {

// How a step is confined in its child process.
struct ChildLimits {
  // Gives up root for the user nobody first, as people run the program: root is exempt from
  // the exclusive-use mark and from file permissions.
  bool unprivileged = false;
  unsigned alarmSeconds = 0;      // ends a step that waits; 0: no end
  rlim_t addressSpaceGrowth = 0;  // the most it may map beyond what it has; 0: no limit
};

inline bool ConfineChild(const ChildLimits& limits) {
  constexpr uid_t kNobody = 65534;
  if (limits.unprivileged && geteuid() == 0 &&
      (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
    return false;
  }
  if (limits.alarmSeconds != 0) alarm(limits.alarmSeconds);
  if (limits.addressSpaceGrowth != 0) {
    rlim_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t mapped = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
    const rlimit limit{mapped + limits.addressSpaceGrowth, RLIM_INFINITY};
    if (setrlimit(RLIMIT_AS, &limit) != 0) return false;
  }
  return true;
}

// Runs `step` in a forked child confined by `limits` and returns what it returned; nothing when
// the child could not be confined, threw, was ended or could not send its result back, so a
// step that hangs or runs away fails its test instead of hanging it or exhausting the machine.
inline std::optional<std::string> RunInChild(const std::function<std::string()>& step,
                                             const ChildLimits& limits) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    try {
      if (!ConfineChild(limits)) _exit(1);
      const std::string result = step();
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

}  // namespace kvx::test
