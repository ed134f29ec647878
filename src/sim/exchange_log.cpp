#include "sim/exchange_log.h"

#include <array>

namespace kvx::sim {

namespace {

std::string FaultNotes(const Transmission& t) {
  std::string notes;
  const auto note = [&notes](bool present, const std::string& text) {
    if (present) notes += " [" + text + "]";
  };
  note(t.retransmission, "repeat, answered again");
  note(t.faults.wrongLetter, "wrong letter");
  note(t.faults.wrongLength, "wrong length");
  note(t.faults.corruptChecksum, "bad checksum");
  note(t.faults.noiseBytes != 0, std::to_string(t.faults.noiseBytes) + " noise bytes");
  note(t.faults.holdMs != 0, "late by " + std::to_string(t.faults.holdMs) + " ms");
  note(t.faults.failErase, "erase fails");
  note(t.faults.failProgram, "program fails");
  note(t.faults.weakCell, "weak cell");
  note(t.faults.unplug, "the line goes away");
  note(t.nextRate != 0, "listening at " + std::to_string(t.nextRate) + " next");
  return notes;
}

}  // namespace

std::string HexBytes(const std::uint8_t* bytes, std::size_t n) {
  static constexpr std::array<char, 16> kDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                                   '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
  std::string text;
  text.reserve(n * 3);
  for (std::size_t i = 0; i < n; ++i) {
    if (i != 0) text += ' ';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

std::string DescribeTransmission(const Transmission& t) {
  std::string line = "<- " + HexBytes(t.request.data(), t.request.size()) + "  -> ";
  if (t.faults.silent) return line + "(silent)";
  if (t.faults.dropReply) return line + "(dropped)" + FaultNotes(t);
  return line + HexBytes(t.reply.data(), t.reply.size()) + FaultNotes(t);
}

}  // namespace kvx::sim
