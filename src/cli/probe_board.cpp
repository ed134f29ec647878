#include "cli/probe_board.h"

#include <algorithm>

namespace kvx::cli {

namespace {

constexpr std::size_t kSerialNumberWidth = 10;
constexpr char kGap[] = "  ";

std::string PaddedTo(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

}  // namespace

class ProbeBoard::RowOutput final : public StatusOutput {
 public:
  RowOutput(ProbeBoard& board, std::size_t index) : board_(board), index_(index) {}

  void WriteLine(const std::string& text) override {
    if (board_.isTerminal_) {
      board_.Update(index_, text);
    } else {
      board_.WriteEvent(index_, text);
    }
  }
  void ShowTransient(const std::string& text) override {
    if (board_.isTerminal_) board_.Update(index_, text);
  }
  bool IsTerminal() const override { return board_.isTerminal_; }
  std::size_t Width() const override {
    const std::size_t prefix = board_.Prefix(index_).size();
    const std::size_t width = TerminalWidth(board_.stream_);
    return width > prefix ? width - prefix : 0;
  }
  // Several probes share one terminal, so none of them asks; the answer is given beforehand.
  void Prompt(const std::string& question) override { WriteLine(question); }

 private:
  ProbeBoard& board_;
  std::size_t index_;
};

ProbeBoard::ProbeBoard(std::FILE* stream, bool isTerminal, const std::vector<std::string>& ports)
    : stream_(stream), isTerminal_(isTerminal) {
  for (std::size_t index = 0; index < ports.size(); ++index) {
    rows_.push_back(RowState{ports[index], "", ""});
    outputs_.push_back(std::make_unique<RowOutput>(*this, index));
    portWidth_ = std::max(portWidth_, ports[index].size());
  }
  if (!isTerminal_) return;
  for (std::size_t index = 0; index < rows_.size(); ++index) {
    std::fprintf(stream_, "%s\n", RowLine(index).c_str());
  }
  std::fflush(stream_);
}

ProbeBoard::~ProbeBoard() = default;

StatusOutput& ProbeBoard::Row(std::size_t index) {
  return *outputs_.at(index);
}

void ProbeBoard::SetSerialNumber(std::size_t index, const std::string& serialNumber) {
  const std::lock_guard<std::mutex> lock(mutex_);
  rows_.at(index).serialNumber = serialNumber;
  if (isTerminal_) Redraw(index);
}

void ProbeBoard::PrintAbove(std::FILE* stream, bool streamIsTerminal, const std::string& line) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const bool sameTerminal = isTerminal_ && streamIsTerminal;
  if (sameTerminal) {
    // Up to the board's first row, and everything from there on cleared.
    std::fprintf(stream_, "\033[%zuA\r\033[J", rows_.size());
    std::fflush(stream_);
  }
  std::fprintf(stream, "%s\n", line.c_str());
  std::fflush(stream);
  if (!sameTerminal) return;
  for (std::size_t index = 0; index < rows_.size(); ++index) {
    std::fprintf(stream_, "%s\n", RowLine(index).c_str());
  }
  std::fflush(stream_);
}

void ProbeBoard::Update(std::size_t index, const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  rows_.at(index).text = text;
  Redraw(index);
}

void ProbeBoard::WriteEvent(std::size_t index, const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::fprintf(stream_, "%s: %s\n", rows_.at(index).port.c_str(), text.c_str());
  std::fflush(stream_);
}

std::string ProbeBoard::Prefix(std::size_t index) const {
  const RowState& row = rows_[index];
  return PaddedTo(row.port, portWidth_) + kGap + PaddedTo(row.serialNumber, kSerialNumberWidth) +
         kGap;
}

// Never as wide as the terminal, so it cannot wrap and push the rows below it down.
std::string ProbeBoard::RowLine(std::size_t index) const {
  const std::string line = Prefix(index) + rows_[index].text;
  const std::size_t room = TerminalWidth(stream_) - 1;
  return line.size() > room ? line.substr(0, room) : line;
}

// From the line below the board up to row `index`, and back down when drawn.
void ProbeBoard::Redraw(std::size_t index) {
  const std::size_t up = rows_.size() - index;
  std::fprintf(stream_, "\033[%zuA\r\033[K%s\033[%zuB\r", up, RowLine(index).c_str(), up);
  std::fflush(stream_);
}

}  // namespace kvx::cli
