#include "cli/terminal_services.h"

#include <array>
#include <cctype>
#include <csignal>
#include <cstdlib>

namespace kvx::cli {

namespace {

constexpr unsigned kBarWidth = 20;
constexpr unsigned kPrintedPercentStep = 10;

std::string ProgressBar(unsigned percent) {
  const unsigned filled = (percent > 100 ? 100 : percent) * kBarWidth / 100;
  return "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "]";
}

volatile std::sig_atomic_t interrupted = 0;

extern "C" void NoteInterrupt(int /*signal*/) {
  interrupted = 1;
}

constexpr int kExitInterrupted = 130;  // as a shell reports a program ended by SIGINT

constexpr std::array<const char*, 2> kImageParts = {"Firmware:", "Logic:"};

std::string InterruptedUpdateState(const std::string& partBegun) {
  if (partBegun.empty()) return "interrupted before the probe was changed";
  if (partBegun == kImageParts[0]) return std::string("interrupted: ") + kIncompleteFirmwareAdvice;
  return "interrupted: the logic is incomplete; run update again";
}

bool IsYes(const std::string& reply) {
  for (const char c : reply) {
    if (std::isspace(static_cast<unsigned char>(c)) == 0) return c == 'y' || c == 'Y';
  }
  return false;
}

}  // namespace

void TerminalServices::SetStatus(const std::string& text) {
  StopIfInterrupted(text);
  lastStatus_ = text;
  lastPrintedPercent_ = 0;
  // The dialog clears its status line when it opens; a line of nothing says nothing.
  if (!text.empty()) WriteLine(text);
}

void TerminalServices::SetProgress(const std::string& text, unsigned percent) {
  StopIfInterrupted(text);
  lastStatus_ = text;
  if (streams_.outIsTerminal) {
    ShowTransient(ProgressBar(percent) + " " + text);
    return;
  }
  if (percent >= lastPrintedPercent_ + kPrintedPercentStep || percent == 100) {
    lastPrintedPercent_ = percent;
    WriteLine(text);
  }
}

MessageAnswer TerminalServices::ShowMessage(const MessageBox& message) {
  messages_.push_back(message.text);
  const std::string line = message.caption + ": " + message.text;
  if (message.buttons == MessageButtons::kYesNo) return Answer(line);
  WriteLine(line);
  if (!message.detail.empty()) Explain(message.detail);
  return MessageAnswer::kAccepted;
}

void TerminalServices::Explain(const std::string& reason) {
  reason_ += (reason_.empty() ? "" : "; ") + reason;
  WriteLine("  " + reason);
}

void TerminalServices::StopUpdateOnInterrupt() {
  stopOnInterrupt_ = true;
  struct sigaction action = {};
  action.sa_handler = NoteInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

void TerminalServices::StopIfInterrupted(const std::string& nextText) {
  if (!stopOnInterrupt_) return;
  if (interrupted == 0) {
    for (const char* part : kImageParts) {
      if (nextText.rfind(part, 0) == 0) partBegun_ = part;
    }
    return;
  }
  WriteLine("kvxctl update: " + InterruptedUpdateState(partBegun_));
  std::_Exit(kExitInterrupted);
}

void TerminalServices::ShowTransient(const std::string& text) {
  if (!streams_.outIsTerminal) return;
  std::fprintf(streams_.out, "\r\033[K%s", text.c_str());
  std::fflush(streams_.out);
  transientShown_ = true;
}

MessageAnswer TerminalServices::Answer(const std::string& question) {
  if (confirmation_ == Confirmation::kAssumeYes) {
    WriteLine(question + " yes (--yes)");
    return MessageAnswer::kYes;
  }
  if (!streams_.inIsTerminal) {
    WriteLine(question + " no (no terminal to ask)");
    return MessageAnswer::kNo;
  }
  ClearTransient();
  std::fprintf(streams_.out, "%s [y/N] ", question.c_str());
  std::fflush(streams_.out);
  std::array<char, 64> reply{};
  const bool answered = std::fgets(reply.data(), reply.size(), streams_.in) != nullptr;
  return answered && IsYes(reply.data()) ? MessageAnswer::kYes : MessageAnswer::kNo;
}

void TerminalServices::ClearTransient() {
  if (!transientShown_) return;
  std::fprintf(streams_.out, "\r\033[K");
  transientShown_ = false;
}

void TerminalServices::WriteLine(const std::string& text) {
  ClearTransient();
  std::fprintf(streams_.out, "%s\n", text.c_str());
  std::fflush(streams_.out);
}

}  // namespace kvx::cli
