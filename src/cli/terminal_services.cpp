#include "cli/terminal_services.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

namespace kvx::cli {

namespace {

constexpr std::size_t kWidestBar = 40;
constexpr std::size_t kNarrowestBar = 10;
// What each part of a progress line may take at most, so that which parts are shown depends
// on the terminal's width alone and every step's line at one width has the same parts: the
// longest step text ("Firmware: Programming Flash ... ( 100% )"), the amount ("  512.0 KiB /
// 768.0 KiB") and the time left ("  12:34 left").
constexpr std::size_t kTextColumns = 40;
constexpr std::size_t kAmountColumns = 24;
constexpr std::size_t kTimeColumns = 13;
constexpr unsigned kPrintedPercentStep = 10;

std::string ProgressBar(unsigned percent, std::size_t width) {
  const std::size_t inside = width - 2;
  const std::size_t filled = (percent > 100 ? 100 : percent) * inside / 100;
  return "[" + std::string(filled, '#') + std::string(inside - filled, '.') + "] ";
}

// "96.0 KiB", or "512 B" below a KiB.
std::string ByteCount(std::uint64_t bytes) {
  constexpr double kKiB = 1024.0;
  const auto count = static_cast<double>(bytes);
  char text[32];
  if (count < kKiB) {
    std::snprintf(text, sizeof text, "%.0f B", count);
  } else if (count < kKiB * kKiB) {
    std::snprintf(text, sizeof text, "%.1f KiB", count / kKiB);
  } else {
    std::snprintf(text, sizeof text, "%.1f MiB", count / (kKiB * kKiB));
  }
  return text;
}

// "  96.0 KiB / 256.0 KiB" or "  12 / 134 rows".
std::string AmountText(const ProgressAmount& amount) {
  if (amount.unit == ProgressUnit::kRows) {
    return "  " + std::to_string(amount.done) + " / " + std::to_string(amount.total) + " rows";
  }
  return "  " + ByteCount(amount.done) + " / " + ByteCount(amount.total);
}

// "  1:05 left", once something is done to estimate from; empty before and at the end.
std::string TimeLeft(const ProgressAmount& amount, double elapsedSeconds) {
  if (amount.done == 0 || amount.done >= amount.total) return "";
  const double rest = static_cast<double>(amount.total - amount.done);
  const auto left =
      static_cast<unsigned long>(elapsedSeconds * rest / static_cast<double>(amount.done) + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "  %lu:%02lu left", left / 60, left % 60);
  return text;
}

// "y" or "yes" in any letter case, blanks around it ignored; anything else, "yes please"
// included, is not the plain yes an erase needs.
bool IsYes(const std::string& reply) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  const auto first = std::find_if_not(reply.begin(), reply.end(), blank);
  const auto last = std::find_if_not(reply.rbegin(), reply.rend(), blank).base();
  std::string word;
  for (auto c = first; c < last; ++c)
    word += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  return word == "y" || word == "yes";
}

}  // namespace

std::string FitToWidth(const std::string& text, std::size_t room) {
  if (text.size() <= room) return text;
  constexpr char kCut[] = "..";
  const std::size_t open = text.rfind(" ( ");
  const std::string percentage =
      open != std::string::npos && text.back() == ')' ? text.substr(open) : std::string();
  const std::size_t kept = sizeof kCut - 1 + percentage.size();
  if (percentage.empty() || room < kept + 1) return text.substr(0, room);
  return text.substr(0, room - kept) + kCut + percentage;
}

std::string ProgressLine(std::size_t width, const std::string& text, const ProgressAmount& amount,
                         double elapsedSeconds) {
  const std::size_t room = width > 0 ? width - 1 : 0;
  std::string line = FitToWidth(text, room);
  if (room < kTextColumns + kAmountColumns) return line;
  line += AmountText(amount);
  if (room < kTextColumns + kAmountColumns + kTimeColumns) return line;
  line += TimeLeft(amount, elapsedSeconds);
  const std::size_t spare = room - (kTextColumns + kAmountColumns + kTimeColumns);
  if (spare < kNarrowestBar) return line;
  return ProgressBar(amount.Percent(), std::min(kWidestBar, spare) - 1) + line;
}

void TerminalServices::SetStatus(const std::string& text) {
  lastStatus_ = text;
  lastPrintedPercent_ = 0;
  stepStart_ = std::chrono::steady_clock::now();
  // The dialog clears its status line when it opens; a line of nothing says nothing.
  if (!text.empty()) out_.WriteLine(text);
}

void TerminalServices::SetProgress(const std::string& text, const ProgressAmount& amount) {
  // Without a text of its own the report keeps the step's, which is already a line.
  const bool newText = !text.empty();
  if (newText) lastStatus_ = text;
  if (out_.IsTerminal()) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - stepStart_;
    out_.ShowTransient(ProgressLine(out_.Width(), lastStatus_, amount, elapsed.count()));
    return;
  }
  const unsigned percent = amount.Percent();
  if (newText && (percent >= lastPrintedPercent_ + kPrintedPercentStep || percent == 100)) {
    lastPrintedPercent_ = percent;
    out_.WriteLine(text);
  }
}

MessageAnswer TerminalServices::ShowMessage(const MessageBox& message) {
  messages_.push_back(message.text);
  const std::string line = message.caption + ": " + message.text;
  if (message.buttons == MessageButtons::kYesNo) return Answer(line);
  out_.WriteLine(line);
  if (!message.detail.empty()) Explain(message.detail);
  return MessageAnswer::kAccepted;
}

void TerminalServices::Explain(const std::string& reason) {
  reason_ += (reason_.empty() ? "" : "; ") + reason;
  out_.WriteLine("  " + reason);
}

void TerminalServices::Note(const std::string& note) {
  notes_ += (notes_.empty() ? "" : "; ") + note;
  out_.WriteLine("  " + note);
}

std::string TerminalServices::Reason() const {
  return reason_.empty() || notes_.empty() ? reason_ + notes_ : reason_ + "; " + notes_;
}

MessageAnswer TerminalServices::Answer(const std::string& question) {
  if (confirmation_ == Confirmation::kAssumeYes) {
    out_.WriteLine(question + " yes (--yes)");
    return MessageAnswer::kYes;
  }
  if (!in_.isTerminal) {
    out_.WriteLine(question + " no (no terminal to ask)");
    return MessageAnswer::kNo;
  }
  out_.Prompt(question + " [y/N]");
  std::array<char, 64> reply{};
  const bool answered = std::fgets(reply.data(), reply.size(), in_.stream) != nullptr;
  return answered && IsYes(reply.data()) ? MessageAnswer::kYes : MessageAnswer::kNo;
}

}  // namespace kvx::cli
