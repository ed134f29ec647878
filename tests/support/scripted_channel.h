#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "link/error_code.h"
#include "link/serial_channel.h"

namespace kvx::test {

using Bytes = std::vector<std::uint8_t>;

// An in-memory serial port on a virtual clock. Reads that find nothing advance the clock by
// the port's read time-out instead of waiting, so time-outs and retries run in microseconds.
// The far end is scripted: each frame written pops the next queued reply, or onWrite decides.
class ScriptedChannel : public SerialChannel {
 public:
  static constexpr std::uint32_t kPortReadTimeoutMs = 110;

  struct Write {
    std::uint32_t atMs;
    std::uint32_t rate;
    Bytes bytes;
  };

  // --- the script -------------------------------------------------------------------------
  // Queues the far end's answer to the next frame written: a frame around `payload`.
  void ReplyFrame(const Bytes& payload);
  // Queues a loader reply: the link header with the length, then `bytes`, as one frame.
  void ReplyLoader(const Bytes& bytes);
  // Queues silence as the answer to the next frame.
  void ReplyNothing();
  // Makes a frame around `payload` arrive now (for onWrite answers).
  void FeedFrame(const Bytes& payload);
  // Makes bytes arrive `delayMs` from now.
  void Feed(const Bytes& wire, std::uint32_t delayMs = 0);

  // Called for every write after the queued replies are consulted; may Feed() an answer.
  std::function<void(ScriptedChannel&, const Write&)> onWrite;
  bool failOpen = false;
  std::set<std::uint32_t> refusedRates;
  int failWrites = 0;     // the next N writes fail
  int shortWrites = 0;    // the next N writes take one byte less than given
  int failReads = 0;      // the next N reads report a line error
  bool portDead = false;  // ClearErrors() fails (a vanished device)
  // How long a read that finds nothing takes; finer steps measure time-outs more closely.
  std::uint32_t readTimeoutMs = kPortReadTimeoutMs;

  // --- what happened ----------------------------------------------------------------------
  std::vector<Write> writes;
  std::uint32_t now = 0;
  std::uint32_t rate = 0;
  bool open = false;
  int closes = 0;
  int purges = 0;

  // The frames written so far (writes starting with DLE STX), as wire bytes.
  std::vector<Bytes> FramesWritten() const;

  // --- SerialChannel ----------------------------------------------------------------------
  bool OpenPort(const ChosenPort& port) override;
  void ClosePort() override;
  bool ApplyRate(std::uint32_t bitsPerSecond) override;
  long WriteBlock(const std::uint8_t* bytes, std::size_t n) override;
  PortRead ReadOne(std::uint8_t& byte) override;
  void PurgeInput() override;
  bool ClearErrors() override { return !portDead; }
  std::uint32_t TickMs() override { return now; }
  void SleepMs(std::uint32_t ms) override { now += ms; }
  std::string LastError() const override { return failOpen ? "scripted open failure" : ""; }

 private:
  struct Arrival {
    std::uint32_t atMs;
    std::uint8_t byte;
  };
  std::deque<Arrival> input_;
  std::deque<std::optional<Bytes>> replies_;
};

// A reply as one number for test tables: its length, or its error when it failed.
inline std::int32_t LengthOrError(const Reply& reply) {
  return reply.Ok() ? reply.length : reply.error;
}

// The parts one after the other.
inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

inline Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// The wire form of a payload, by the host's own encoder.
Bytes Frame(const Bytes& payload);

// Unstuffs one wire frame into its payload; nullopt when it is not a well-formed frame.
std::optional<Bytes> PayloadOfFrame(const Bytes& wire);

}  // namespace kvx::test
