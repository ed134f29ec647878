#include "link/posix/permission_advice.h"

#include <algorithm>
#include <vector>

namespace kvx {
namespace {

bool Contains(const std::vector<gid_t>& groups, gid_t group) {
  return std::find(groups.begin(), groups.end(), group) != groups.end();
}

bool GroupMayReadAndWrite(mode_t mode) {
  return (mode & S_IRGRP) != 0 && (mode & S_IWGRP) != 0;
}

// The group's name as the user database has it, or its number.
std::string GroupWord(PosixSystem& system, gid_t group) {
  const auto name = system.GroupName(group);
  return name ? *name : std::to_string(group);
}

std::string AdviceForGroup(PosixSystem& system, const struct stat& device) {
  const std::string group = GroupWord(system, device.st_gid);
  if (!GroupMayReadAndWrite(device.st_mode)) {
    return "Only its owner may read and write it, not its group '" + group +
           "'; its permissions have to be changed.";
  }
  if (Contains(system.ProcessGroups(), device.st_gid)) {
    return "This program already runs as a member of its group '" + group +
           "', so something else denies access (an access control list or security policy).";
  }
  const auto user = system.CurrentUser();
  if (!user) return "It belongs to group '" + group + "'; this program's user must be a member.";
  if (Contains(system.UserGroups(*user), device.st_gid)) {
    return "It belongs to group '" + group + "', and user '" + user->name +
           "' was added to that group after this session began: a fresh login is needed. "
           "Log out and in again.";
  }
  return "It belongs to group '" + group + "', and user '" + user->name +
         "' is not a member. Add the user to that group (for example: sudo usermod -aG " + group +
         " " + user->name + "), then log out and in again.";
}

}  // namespace

std::string DescribePermissionDenied(PosixSystem& system, const ChosenPort& port) {
  std::string text = "Cannot open " + port.Description() + ": permission denied. ";
  struct stat device {};
  if (system.Stat(port.devicePath.c_str(), device) != 0) {
    return text + "Ask the administrator for read and write access to it.";
  }
  return text + AdviceForGroup(system, device);
}

}  // namespace kvx
