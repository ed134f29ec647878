#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/status_output.h"

namespace kvx::cli {

// The status of several probes served at once, one row a probe.
//
// On a terminal the rows stay in place under whatever was written before, and each is
// redrawn as its probe moves on: port, serial number once known, and the probe's latest
// status line or progress bar, cut to the terminal's width, its percentage kept. On a narrow
// terminal every row names its port shorter, then leaves the serial number out. Elsewhere (a log, a
// pipe) every status line is an event line of its own, prefixed with the port, so the probes' lines
// read apart however they interleave. Rows are written from the probes' own threads.
class ProbeBoard {
 public:
  ProbeBoard(std::FILE* stream, bool isTerminal, const std::vector<std::string>& ports);
  ~ProbeBoard();
  ProbeBoard(const ProbeBoard&) = delete;
  ProbeBoard& operator=(const ProbeBoard&) = delete;

  StatusOutput& Row(std::size_t index);
  void SetSerialNumber(std::size_t index, const std::string& serialNumber);
  // Writes `line` to `stream`; when that is the board's terminal too, above the board, which
  // is then drawn again below it.
  void PrintAbove(std::FILE* stream, bool streamIsTerminal, const std::string& line);

 private:
  class RowOutput;
  struct RowState {
    std::string port;
    std::string serialNumber;
    std::string text;
  };

  void Update(std::size_t index, const std::string& text);
  void WriteEvent(std::size_t index, const std::string& text);
  std::string Prefix(std::size_t index) const;
  std::string RowLine(std::size_t index) const;
  void Redraw(std::size_t index);

  std::FILE* stream_;
  bool isTerminal_;
  std::size_t portWidth_ = 0;
  std::size_t shortPortWidth_ = 0;
  std::vector<RowState> rows_;
  std::vector<std::unique_ptr<RowOutput>> outputs_;
  std::mutex mutex_;  // guards rows_ and every write to the stream
};

}  // namespace kvx::cli
