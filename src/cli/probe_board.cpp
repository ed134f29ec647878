#include "cli/probe_board.h"

#include <algorithm>

#include "cli/terminal_services.h"
#include "setup/setup_block.h"

namespace kvx::cli {

namespace {

constexpr std::size_t kSerialNumberWidth = 10;
constexpr char kGap[] = "  ";
constexpr std::size_t kGapWidth = sizeof kGap - 1;
// What a row keeps for its text at least, before its port and serial number are narrowed:
// enough for "Firmware: Pr.. ( 37% )" and "interrupted".
constexpr std::size_t kLeastTextWidth = 22;

// A port as a narrow row names it: the last part of its path ("ttyUSB0").
std::string ShortPortName(const std::string& port) {
  const std::size_t slash = port.find_last_of("/\\");
  return slash == std::string::npos ? port : port.substr(slash + 1);
}

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
    shortPortWidth_ = std::max(shortPortWidth_, ShortPortName(ports[index]).size());
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
  rows_.at(index).serialNumber = EscapedText(serialNumber);
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

// The same for every row at one terminal width: the port's whole path and the serial number,
// then the short port name with the serial number, then the short port name alone, whichever
// is the first to leave the text its room.
std::string ProbeBoard::Prefix(std::size_t index) const {
  const RowState& row = rows_[index];
  const std::size_t room = TerminalWidth(stream_) - 1;
  const std::size_t serialWidth = kSerialNumberWidth + kGapWidth;
  const auto leavesRoom = [room](std::size_t prefixWidth) {
    return prefixWidth + kLeastTextWidth <= room;
  };
  const std::string serial = PaddedTo(row.serialNumber, kSerialNumberWidth) + kGap;
  if (leavesRoom(portWidth_ + kGapWidth + serialWidth)) {
    return PaddedTo(row.port, portWidth_) + kGap + serial;
  }
  const std::string shortPort = PaddedTo(ShortPortName(row.port), shortPortWidth_) + kGap;
  if (leavesRoom(shortPortWidth_ + kGapWidth + serialWidth)) return shortPort + serial;
  return shortPort;
}

// Never as wide as the terminal, so it cannot wrap and push the rows below it down; the
// text is cut keeping its percentage, as a single probe's progress line is.
std::string ProbeBoard::RowLine(std::size_t index) const {
  const std::string prefix = Prefix(index);
  const std::size_t room = TerminalWidth(stream_) - 1;
  if (prefix.size() >= room) return prefix.substr(0, room);
  return prefix + FitToWidth(rows_[index].text, room - prefix.size());
}

// From the line below the board up to row `index`, and back down when drawn.
void ProbeBoard::Redraw(std::size_t index) {
  const std::size_t up = rows_.size() - index;
  std::fprintf(stream_, "\033[%zuA\r\033[K%s\033[%zuB\r", up, RowLine(index).c_str(), up);
  std::fflush(stream_);
}

}  // namespace kvx::cli
