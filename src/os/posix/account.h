#pragma once

#include <pwd.h>
#include <unistd.h>

#include <string>

namespace kvx::os {

// A field of the password database's entry for the user the program runs as: its name
// (&passwd::pw_name) or its home folder (&passwd::pw_dir); empty when there is no entry.
inline std::string AccountField(char* passwd::*field) {
  passwd account{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(geteuid(), &account, buffer, sizeof buffer, &found) != 0 || !found) return "";
  return account.*field;
}

}  // namespace kvx::os
