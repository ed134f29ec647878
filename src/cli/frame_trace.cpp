#include "cli/frame_trace.h"

#include "link/frame_codec.h"

namespace kvx::cli {

void FrameTrace::FrameSent(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) {
  Line(tickMs, "->", payload, n);
}

void FrameTrace::FrameReceived(std::uint32_t tickMs, const std::uint8_t* payload, std::size_t n) {
  Line(tickMs, "<-", payload, n);
}

void FrameTrace::RawSent(std::uint32_t tickMs, const std::uint8_t* bytes, std::size_t n) {
  Line(tickMs, "=>", bytes, n);
}

void FrameTrace::ReceiveFailed(std::uint32_t tickMs, ErrorCode why) {
  Stamp(tickMs, "<-");
  std::fprintf(out_, " (%s)\n", ReceiveFailureText(why));
}

void FrameTrace::PortOpened(std::uint32_t tickMs, const std::string& note) {
  if (note == lastNote_) return;
  lastNote_ = note;
  Stamp(tickMs, "==");
  std::fprintf(out_, " %s\n", note.c_str());
}

void FrameTrace::Stamp(std::uint32_t tickMs, const char* direction) {
  if (!startMs_) startMs_ = tickMs;
  std::fprintf(out_, "%8u ms %s", static_cast<unsigned>(tickMs - *startMs_), direction);
}

void FrameTrace::Line(std::uint32_t tickMs, const char* direction, const std::uint8_t* bytes,
                      std::size_t n) {
  Stamp(tickMs, direction);
  if (n == 0) std::fputs(" (an empty frame)", out_);
  for (std::size_t i = 0; i < n; ++i) std::fprintf(out_, " %02X", bytes[i]);
  std::fputc('\n', out_);
}

}  // namespace kvx::cli
