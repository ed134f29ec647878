#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

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

// Runs `program` with `arguments` (split by the shell) and no input.
inline ProgramRun RunProgram(const std::string& program, const std::string& arguments) {
  // A directory of its own: CTest runs tests side by side.
  const TempDirectory dir;
  const std::string out = (dir / "out").string(), err = (dir / "err").string();
  const std::string command = program + " " + arguments + " >" + out + " 2>" + err + " </dev/null";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadTextFile(out), ReadTextFile(err)};
}

}  // namespace kvx::test
