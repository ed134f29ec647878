#include "sim/loader_engine.h"

#include <algorithm>

#include "link/frame_encoding.h"
#include "sim/byte_order.h"

namespace kvx::sim {

namespace {

constexpr std::size_t kHeaderSize = 2;
constexpr std::uint8_t kLengthHighMask = 0x07;
// Header bits other than the length: sequence and flags, echoed in the reply.
constexpr std::uint8_t kHeaderFlagMask = 0xF8;
constexpr std::size_t kSpeedRequestSize = 5;

std::size_t HeaderLength(const std::uint8_t* payload) {
  return (static_cast<std::size_t>(payload[0] & kLengthHighMask) << 8) | payload[1];
}

bool IsStartupMessage(std::uint8_t command, std::size_t size) {
  return (command == kPingCommand && size == 1) ||
         (command == kSpeedCommand && size == kSpeedRequestSize);
}

std::uint8_t Checksum(const std::vector<std::uint8_t>& payload) {
  std::uint8_t sum = 0;
  for (std::uint8_t byte : payload) sum ^= byte;
  return sum;
}

// Replaces the frame's trailing checksum (one byte, or 10 10) by a wrong one.
void CorruptChecksum(std::vector<std::uint8_t>& wire, std::uint8_t goodChecksum) {
  wire.resize(wire.size() - (goodChecksum == kDle ? 2 : 1));
  const std::uint8_t bad = static_cast<std::uint8_t>(goodChecksum ^ 0xFF);
  wire.push_back(bad);
  if (bad == kDle) wire.push_back(kDle);
}

}  // namespace

LoaderEngine::LoaderEngine(const SimulatorOptions& options)
    : options_(options),
      commands_(device_, options.identity),
      faults_(options.faults),
      listenRate_(options.rate) {}

void LoaderEngine::Feed(const std::uint8_t* bytes, std::size_t n, const Sink& sink) {
  // What a noisy line delivers of what the host sent.
  std::vector<std::uint8_t> received(bytes, bytes + n);
  faults_.FlipBits(received.data(), n);
  for (std::size_t i = 0; i < n; ++i) {
    switch (parser_.Push(received[i])) {
      case FrameParser::Event::kNone:
        break;
      case FrameParser::Event::kBadFrame:
        ++counters_.badFrames;
        break;
      case FrameParser::Event::kFrame:
        if (parser_.Size() <= kHeaderSize ||
            HeaderLength(parser_.Payload()) != parser_.Size() - kHeaderSize) {
          ++counters_.badFrames;
          break;
        }
        HandleFrame(parser_.Payload(), parser_.Size());
        sink(current_);
        break;
    }
  }
}

EngineCounters LoaderEngine::Counters() const {
  EngineCounters counters = counters_;
  counters.firmwareStarts = commands_.FirmwareStarts();
  return counters;
}

void LoaderEngine::HandleFrame(const std::uint8_t* payload, std::size_t n) {
  const RequestFaults faults = faults_.Decide(TagRequest(payload[kHeaderSize]));
  const bool repeat = bodyReusable_ && std::equal(payload, payload + n, current_.request.begin(),
                                                  current_.request.end());
  current_.request.assign(payload, payload + n);
  current_.requestWireSize = parser_.WireSize();
  current_.reply.clear();
  current_.wire.clear();
  current_.faults = faults;
  current_.retransmission = repeat;
  current_.nextRate = 0;
  if (faults.silent) {
    ++counters_.requestsIgnored;
    return;
  }
  if (repeat) {
    ++counters_.retransmissions;
  } else {
    ProduceBody(payload + kHeaderSize, n - kHeaderSize, faults);
  }
  BuildReply(faults);
  if (faults.dropReply) {
    ++counters_.repliesDropped;
    return;
  }
  BuildWire(faults);
}

RequestTag LoaderEngine::TagRequest(std::uint8_t command) {
  ++counters_.requests;
  RequestTag tag;
  tag.command = command;
  tag.overallIndex = static_cast<std::uint32_t>(counters_.requests);
  tag.commandIndex = ++perCommandCount_[command];
  return tag;
}

void LoaderEngine::ProduceBody(const std::uint8_t* body, std::size_t n,
                               const RequestFaults& faults) {
  if (IsStartupMessage(body[0], n)) {
    bodyReusable_ = false;
    if (body[0] == kPingCommand) {
      body_.assign({kPingCommand});
    } else {
      SpeedReply(GetU32BE(body + 1));
    }
    return;
  }
  commands_.Execute(body, n, CommandFaults{faults.failErase, faults.failProgram, faults.weakCell},
                    body_);
  bodyReusable_ = true;
}

void LoaderEngine::SpeedReply(std::uint32_t requestedRate) {
  const bool agreeable = requestedRate >= kMinSpeedRate && requestedRate <= kMaxSpeedRate;
  const std::uint32_t named =
      options_.faults.speedReplyRate.value_or(agreeable ? requestedRate : listenRate_);
  body_.assign({kSpeedCommand});
  AppendU32BE(body_, named);
  current_.nextRate = named;
}

void LoaderEngine::BuildReply(const RequestFaults& faults) {
  std::vector<std::uint8_t>& reply = current_.reply;
  reply.assign(kHeaderSize, 0);
  reply.insert(reply.end(), body_.begin(), body_.end());
  const std::uint8_t command = current_.request[kHeaderSize];
  if (faults.wrongLetter) {
    // Turn an echo of the letter into something else, and the one reply that must not echo
    // ('r') into the echo.
    std::uint8_t& first = reply[kHeaderSize];
    first = first == command ? static_cast<std::uint8_t>(command ^ 0x20) : command;
  }
  if (faults.wrongLength) reply.pop_back();
  const std::size_t length = reply.size() - kHeaderSize;
  reply[0] = static_cast<std::uint8_t>((current_.request[0] & kHeaderFlagMask) |
                                       ((length >> 8) & kLengthHighMask));
  reply[1] = static_cast<std::uint8_t>(length);
}

void LoaderEngine::BuildWire(const RequestFaults& faults) {
  std::vector<std::uint8_t>& wire = current_.wire;
  wire.resize(faults.noiseBytes + kMaxEncodedFrame);
  for (std::size_t i = 0; i < faults.noiseBytes; ++i) wire[i] = faults_.NextNoiseByte();
  const std::size_t frameSize =
      EncodeFrame(current_.reply.data(), current_.reply.size(), wire.data() + faults.noiseBytes);
  wire.resize(faults.noiseBytes + frameSize);
  if (faults.corruptChecksum) CorruptChecksum(wire, Checksum(current_.reply));
  faults_.FlipBits(wire.data(), wire.size());
}

}  // namespace kvx::sim
