#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace kvx::cli {

// The width a terminal on `stream` has, or 80 when it does not say.
std::size_t TerminalWidth(std::FILE* stream);

// `text` broken into lines of fewer than `width` columns at its blanks, for a line written
// once on a terminal that must not wrap; a word longer than a line is cut.
std::string WrappedForTerminal(const std::string& text, std::size_t width);

// Where one probe's status lines and progress go: standard error for a single probe, a row
// of the board when several are served at once.
class StatusOutput {
 public:
  virtual ~StatusOutput() = default;

  // A line of its own: a status text, a message box, a reason.
  virtual void WriteLine(const std::string& text) = 0;
  // A text redrawn in place until the next one; nothing when no person watches.
  virtual void ShowTransient(const std::string& text) = 0;
  // Whether a person watches a terminal, who sees transients and may be asked questions.
  virtual bool IsTerminal() const = 0;
  // The columns a transient may fill without wrapping, the last one included.
  virtual std::size_t Width() const = 0;
  // A question left open on its line for the answer to follow.
  virtual void Prompt(const std::string& question) = 0;
};

// A stream of its own: lines follow each other, a transient is redrawn at the line's start.
class StreamOutput final : public StatusOutput {
 public:
  StreamOutput(std::FILE* stream, bool isTerminal) : stream_(stream), isTerminal_(isTerminal) {}

  void WriteLine(const std::string& text) override;
  void ShowTransient(const std::string& text) override;
  bool IsTerminal() const override { return isTerminal_; }
  std::size_t Width() const override { return TerminalWidth(stream_); }
  void Prompt(const std::string& question) override;

 private:
  void ClearTransient();

  std::FILE* stream_;
  bool isTerminal_;
  bool transientShown_ = false;
};

}  // namespace kvx::cli
