#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "sim/device_state.h"
#include "sim/fault_plan.h"
#include "sim/frame_parser.h"
#include "sim/loader_commands.h"
#include "sim/simulator_options.h"

namespace kvx::sim {

// Rates the loader agrees to in a speed request; for any other it names the rate it
// already listens at.
inline constexpr std::uint32_t kMinSpeedRate = 1200;
inline constexpr std::uint32_t kMaxSpeedRate = 460800;
// The loader listens at a newly agreed rate this long after its speed reply left.
inline constexpr std::uint32_t kRateSwitchDelayMs = 300;

// The loader's answer to one request, ready for the line.
struct Transmission {
  std::vector<std::uint8_t> request;  // the request payload as received, header included
  std::vector<std::uint8_t> reply;    // the reply payload, header included, faults applied
  std::vector<std::uint8_t> wire;     // the bytes to write; empty when nothing goes out
  std::size_t requestWireSize = 0;    // line bytes the request frame took
  RequestFaults faults;
  bool retransmission = false;  // a repeat of the previous request, answered from memory
  // Non-zero after a speed request: the rate to listen at kRateSwitchDelayMs after `wire`
  // left (or would have left, when the reply is lost).
  std::uint32_t nextRate = 0;
};

struct EngineCounters {
  std::uint64_t requests = 0;         // frames taken as requests, start-up messages included
  std::uint64_t badFrames = 0;        // broken frames, and frames whose header disagrees
  std::uint64_t retransmissions = 0;  // repeats answered without carrying them out again
  std::uint64_t repliesDropped = 0;   // replies lost on purpose
  std::uint64_t requestsIgnored = 0;  // requests after the loader went silent on purpose
  std::uint64_t firmwareStarts = 0;   // 'q' requests carried out
};

// The loader's side of the link, free of any port or clock: line bytes in, replies out.
//
// Link header: byte 0 bits 2-0 and byte 1 give the length of what follows; a frame whose
// length field disagrees with its size is ignored like a broken one. The other header bits
// (sequence, flags) are accepted whatever they are, and echoed in the reply's byte 0.
//
// Start-up: the ping 01 is answered with the 3-byte payload 00 01 01; the speed request
// 03 R3 R2 R1 R0 with 00 05 03 N3 N2 N1 N0, N being the rate the loader listens at next.
// Wake-up bytes are noise outside any frame and cost nothing.
//
// Repeats: the host repeats a request whose reply it lost with the same sequence number,
// so a request identical to the previous one (header included) is answered with the
// previous reply without being carried out again; a flash program that succeeded is not
// turned into a "not erased" failure by its own retry. Start-up messages end this memory.
class LoaderEngine {
 public:
  using Sink = std::function<void(const Transmission&)>;

  explicit LoaderEngine(const SimulatorOptions& options);
  LoaderEngine(const LoaderEngine&) = delete;
  LoaderEngine& operator=(const LoaderEngine&) = delete;

  // Takes bytes received at the rate the loader listens at; hands each reply to `sink`.
  void Feed(const std::uint8_t* bytes, std::size_t n, const Sink& sink);
  // Bytes arrived at another rate than the loader listens at: whatever frame was in
  // progress is lost.
  void LineNoise() { parser_.Reset(); }
  // Tells the engine the rate it listens at now (the transport switches it).
  void SetListenRate(std::uint32_t rate) { listenRate_ = rate; }

  DeviceState& Device() { return device_; }
  const DeviceState& Device() const { return device_; }
  EngineCounters Counters() const;
  // Flash programming in the order carried out; repeats answered from memory are not in it.
  const std::vector<ProgramRecord>& ProgramLog() const { return commands_.ProgramLog(); }

 private:
  void HandleFrame(const std::uint8_t* payload, std::size_t n);
  RequestTag TagRequest(std::uint8_t command);
  void ProduceBody(const std::uint8_t* payload, std::size_t n, const RequestFaults& faults);
  void SpeedReply(std::uint32_t requestedRate);
  void BuildReply(const RequestFaults& faults);
  void BuildWire(const RequestFaults& faults);

  const SimulatorOptions options_;
  DeviceState device_;
  LoaderCommands commands_;
  FaultPlan faults_;
  FrameParser parser_;
  std::uint32_t listenRate_;

  std::vector<std::uint32_t> perCommandCount_ = std::vector<std::uint32_t>(256, 0);
  // The reply bytes (without header) to the last request carried out, and whether a repeat
  // of that request may be answered with them.
  std::vector<std::uint8_t> body_;
  bool bodyReusable_ = false;

  Transmission current_;
  EngineCounters counters_;
};

}  // namespace kvx::sim
