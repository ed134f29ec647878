#include "cli/status_output.h"

#include <algorithm>

#include "os/system.h"

namespace kvx::cli {

std::size_t TerminalWidth(std::FILE* stream) {
  constexpr std::size_t kAssumedWidth = 80;
  const std::size_t columns = os::TerminalColumns(stream);
  return columns == 0 ? kAssumedWidth : columns;
}

std::string WrappedForTerminal(const std::string& text, std::size_t width) {
  const std::size_t room = width > 1 ? width - 1 : 1;
  std::string wrapped;
  std::size_t lineLength = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    const std::string word = text.substr(at, std::min(end - at, room));
    if (lineLength > 0 && lineLength + 1 + word.size() > room) {
      wrapped += '\n';
      lineLength = 0;
    } else if (lineLength > 0) {
      wrapped += ' ';
      ++lineLength;
    }
    wrapped += word;
    lineLength += word.size();
    at = end + 1;
  }
  return wrapped;
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
