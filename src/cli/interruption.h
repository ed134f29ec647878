#pragma once

#include "link/serial_channel.h"

namespace kvx::cli {

// Ctrl-C (SIGINT) and SIGTERM while probes are served. The first asks every probe to stop at
// its next exchange boundary: the request under way is answered or times out, and nothing
// is sent after it, so no request is cut in half and a firmware update never reaches its
// image marker. The second ends the program at once.
void StopProbesOnSignals();
bool StopRequested();

// A port that stops taking bytes once a stop is requested. A frame goes out in one write, so
// the refusal falls between exchanges; the probe procedures then fail as on a broken line,
// and the closing of the session sends nothing either: the probe stays in its loader.
class InterruptibleChannel final : public SerialChannel {
 public:
  explicit InterruptibleChannel(SerialChannel& port) : port_(port) {}

  bool OpenPort(const ChosenPort& port) override { return port_.OpenPort(port); }
  void ClosePort() override { port_.ClosePort(); }
  bool ApplyRate(std::uint32_t bitsPerSecond) override { return port_.ApplyRate(bitsPerSecond); }
  long WriteBlock(const std::uint8_t* bytes, std::size_t n) override;
  PortRead ReadOne(std::uint8_t& byte) override { return port_.ReadOne(byte); }
  void PurgeInput() override { port_.PurgeInput(); }
  bool ClearErrors() override { return port_.ClearErrors(); }
  std::uint32_t TickMs() override { return port_.TickMs(); }
  // A pause between attempts ends early: nothing follows it that would be sent.
  void SleepMs(std::uint32_t ms) override;
  std::string LastError() const override { return port_.LastError(); }

 private:
  SerialChannel& port_;
};

}  // namespace kvx::cli
