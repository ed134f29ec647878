#pragma once

#include <cstdio>

namespace kvx::cli {

// The streams a command writes and reads: the process's own, or a test's files.
struct CommandIo {
  std::FILE* out;  // the report, as text or JSON
  std::FILE* err;  // status lines, progress, reasons, the frame trace
  std::FILE* in;   // answers to questions
};

inline CommandIo StandardIo() {
  return {stdout, stderr, stdin};
}

}  // namespace kvx::cli
