#include "cli/status_output.h"

#include "os/system.h"

namespace kvx::cli {

std::size_t TerminalWidth(std::FILE* stream) {
  constexpr std::size_t kAssumedWidth = 80;
  const std::size_t columns = os::TerminalColumns(stream);
  return columns == 0 ? kAssumedWidth : columns;
}

void StreamOutput::WriteLine(const std::string& text) {
  ClearTransient();
  std::fprintf(stream_, "%s\n", text.c_str());
  std::fflush(stream_);
}

void StreamOutput::ShowTransient(const std::string& text) {
  if (!isTerminal_) return;
  std::fprintf(stream_, "\r\033[K%s", text.c_str());
  std::fflush(stream_);
  transientShown_ = true;
}

void StreamOutput::Prompt(const std::string& question) {
  ClearTransient();
  std::fprintf(stream_, "%s ", question.c_str());
  std::fflush(stream_);
}

void StreamOutput::ClearTransient() {
  if (!transientShown_) return;
  std::fprintf(stream_, "\r\033[K");
  transientShown_ = false;
}

}  // namespace kvx::cli
