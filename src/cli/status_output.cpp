#include "cli/status_output.h"

#ifndef _WIN32
#include <sys/ioctl.h>
#endif

namespace kvx::cli {

namespace {

constexpr std::size_t kAssumedWidth = 80;

}  // namespace

#ifdef _WIN32
// A console is as wide as its window was made; 80 is its default.
std::size_t TerminalWidth(std::FILE* /*stream*/) {
  return kAssumedWidth;
}
#else
std::size_t TerminalWidth(std::FILE* stream) {
  winsize size{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kAssumedWidth;
  return size.ws_col;
}
#endif

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
