#pragma once

#include <string>

#include "link/serial_channel.h"

namespace kvx::cli {

// Ctrl-C, SIGTERM and SIGHUP (a closed terminal, a dropped ssh session) while probes are
// served. The first asks every probe to stop at its next exchange boundary: the request under
// way is answered or times out, and nothing is sent after it, so no request is cut in half and
// a firmware update never reaches its image marker. The second ends the program at once.
// Meanwhile a closed pipe on standard output, or a full file-size limit, makes a write fail
// with an error instead of ending the program between two steps of an update.
//
// The first stop is noticed with a line, "stopping after the exchange under way; ...", written
// where the notice says.
enum class StopNotice {
  kOwnLine,        // on a line of its own below whatever was written
  kOverTransient,  // over the terminal line a progress bar is redrawn on, which goes on below
  kByCaller,       // nothing: the caller shows StoppingNotice() where its display allows
};
void StopProbesOnSignals(StopNotice notice);
bool StopRequested();
// "stopping after the exchange under way; press Ctrl-C again to quit at once"
const char* StoppingNotice();

// A port that stops taking bytes once a stop is requested. A frame goes out in one write, so
// the refusal falls between exchanges; the probe procedures then fail as on a broken line,
// and the closing of the session sends nothing either: the probe stays in its loader. Nor is
// the port opened again, so a Connect under way ends with its attempt, saying why.
class InterruptibleChannel final : public ForwardingChannel {
 public:
  explicit InterruptibleChannel(SerialChannel& port) : ForwardingChannel(port) {}

  bool OpenPort(const ChosenPort& port) override;
  long WriteBlock(const std::uint8_t* bytes, std::size_t n) override;
  // Pauses between attempts end early: nothing follows them that would be sent.
  bool Abandoned() const override { return StopRequested(); }
  std::string LastError() const override;
};

}  // namespace kvx::cli
