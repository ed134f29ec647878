#include "link/posix/posix_system.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace kvx {
namespace {

// The reentrant user-database calls want a caller-sized buffer; grow it until the entry fits.
// The entry's strings point into that buffer, so `copy` takes what is wanted out of the entry
// while the buffer still lives.
template <typename Entry, typename Lookup, typename Copy>
auto LookUpEntry(Lookup lookup, Copy copy) -> std::optional<decltype(copy(Entry{}))> {
  std::vector<char> buffer(1024);
  for (;;) {
    Entry entry{};
    Entry* found = nullptr;
    const int rc = lookup(&entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (std::size_t{1} << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || found == nullptr) return std::nullopt;
    return copy(entry);
  }
}

class RealSystem final : public PosixSystem {
 public:
  int Open(const char* path, int flags) override { return ::open(path, flags); }
  int Close(int fd) override { return ::close(fd); }
  int Flock(int fd, int operation) override { return ::flock(fd, operation); }
  int Ioctl(int fd, unsigned long request, void* arg) override { return ::ioctl(fd, request, arg); }
  int TcGetAttr(int fd, termios& settings) override { return ::tcgetattr(fd, &settings); }
  int TcSetAttr(int fd, int when, const termios& settings) override {
    return ::tcsetattr(fd, when, &settings);
  }
  int TcFlush(int fd, int queue) override { return ::tcflush(fd, queue); }
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
    return ::poll(fds, count, timeoutMs);
  }
  ssize_t Read(int fd, void* buffer, std::size_t count) override {
    return ::read(fd, buffer, count);
  }
  ssize_t Write(int fd, const void* bytes, std::size_t count) override {
    return ::write(fd, bytes, count);
  }

  int ClockGetTime(timespec& now) override { return ::clock_gettime(CLOCK_MONOTONIC, &now); }
  int SleepUntil(const timespec& deadline) override {
    return ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
  }

  int Stat(const char* path, struct stat& status) override { return ::stat(path, &status); }

  std::optional<std::string> GroupName(gid_t group) override {
    return LookUpEntry<struct group>(
        [group](struct group* g, char* buf, std::size_t size, struct group** found) {
          return ::getgrgid_r(group, g, buf, size, found);
        },
        [](const struct group& g) { return std::string(g.gr_name); });
  }

  std::optional<UserEntry> CurrentUser() override {
    const uid_t uid = ::getuid();
    return LookUpEntry<passwd>(
        [uid](passwd* p, char* buf, std::size_t size, passwd** found) {
          return ::getpwuid_r(uid, p, buf, size, found);
        },
        [](const passwd& p) {
          return UserEntry{p.pw_name, p.pw_gid};
        });
  }

  std::vector<gid_t> ProcessGroups() override {
    std::vector<gid_t> groups{::getegid()};
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return groups;
    std::vector<gid_t> supplementary(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, supplementary.data());
    if (got > 0) groups.insert(groups.end(), supplementary.begin(), supplementary.begin() + got);
    return groups;
  }

  std::vector<gid_t> UserGroups(const UserEntry& user) override {
    std::vector<gid_t> groups(32);
    for (;;) {
      int count = static_cast<int>(groups.size());
      if (::getgrouplist(user.name.c_str(), user.primaryGroup, groups.data(), &count) >= 0) {
        groups.resize(static_cast<std::size_t>(count));
        return groups;
      }
      // On -1, `count` holds the number of groups needed.
      if (static_cast<std::size_t>(count) <= groups.size()) return {};
      groups.resize(static_cast<std::size_t>(count));
    }
  }
};

}  // namespace

PosixSystem& RealPosixSystem() {
  static RealSystem system;
  return system;
}

}  // namespace kvx
