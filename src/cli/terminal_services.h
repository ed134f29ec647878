#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/status_output.h"
#include "ui/dialog_services.h"

namespace kvx::cli {

// What a terminal line of at most `room` columns shows of `text`: all of it, or its start
// and its closing percentage ("Firmware: Progr.. ( 37% )"), the part a person watches.
std::string FitToWidth(const std::string& text, std::size_t room);

// A progress text as one terminal line of at most `width` - 1 columns, so it never wraps:
// a bar, the text, the amount done of the total ("96.0 KiB / 256.0 KiB") and, from the time
// the step has taken so far, the time left. Which parts fit is decided by the width alone,
// least important going first: the bar, the time left, which is only an estimate, then the
// amount; a text that does not fit alone keeps its percentage (FitToWidth).
std::string ProgressLine(std::size_t width, const std::string& text, const ProgressAmount& amount,
                         double elapsedSeconds);

// Who answers a Yes/No message box.
enum class Confirmation {
  kAsk,        // the person at the terminal; without a terminal the answer is No
  kAssumeYes,  // the command line did already (--yes)
};

// The dialog's status line, message boxes and questions on a status output.
//
// Status texts are lines. A progress text is a bar redrawn in place on a terminal; elsewhere
// (a log, a pipe) it becomes a line only when its percentage has grown by at least 10 since
// the last line of the same step, or reached 100, so a 134-row logic pass writes about ten
// lines instead of 134. Message boxes are lines "caption: text", their detail (why) on the
// line after. A Yes/No box is asked on the terminal unless the answer was given beforehand.
class TerminalServices final : public DialogServices {
 public:
  // Where answers to questions come from.
  struct Input {
    std::FILE* stream;
    bool isTerminal;
  };

  TerminalServices(StatusOutput& out, Input in, Confirmation confirmation)
      : out_(out), in_(in), confirmation_(confirmation) {}

  void SetStatus(const std::string& text) override;
  void SetProgress(const std::string& text, const ProgressAmount& amount) override;
  MessageAnswer ShowMessage(const MessageBox& message) override;
  void NoteCause(const std::string& cause) override { Explain(cause); }
  // A command line shows no cursor to change.
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}

  // Redraws `text` in place on a terminal, for a person waiting; nothing elsewhere.
  void ShowTransient(const std::string& text) { out_.ShowTransient(text); }

  const std::string& LastStatus() const { return lastStatus_; }
  // The texts of every message box shown, in order.
  const std::vector<std::string>& Messages() const { return messages_; }
  // Every message box's detail and every reason the command added, then its notes, joined by
  // "; ": why it failed comes first, whatever was noted on the way.
  std::string Reason() const;
  // Writes why a command failed as a line of its own and adds it to Reason().
  void Explain(const std::string& reason);
  // Writes what the command noted on its way (a part it leaves as it is) as a line of its own,
  // for Reason() to give after the causes.
  void Note(const std::string& note);

 private:
  MessageAnswer Answer(const std::string& question);

  StatusOutput& out_;
  Input in_;
  Confirmation confirmation_;
  std::string lastStatus_;
  std::vector<std::string> messages_;
  std::string reason_;
  std::string notes_;
  unsigned lastPrintedPercent_ = 0;
  std::chrono::steady_clock::time_point stepStart_ = std::chrono::steady_clock::now();
};

}  // namespace kvx::cli
