#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "link/serial_channel.h"

namespace kvx {

// Payload capacity of one frame in either direction: 2 header bytes and up to 1498 more.
inline constexpr std::size_t kFramePayloadCapacity = 1500;
inline constexpr std::size_t kMaxRequestBytes = kFramePayloadCapacity - 2;

using LinkBuffer = std::array<std::uint8_t, kFramePayloadCapacity>;

// The last exchange that failed: the request it carried and what came back instead of a good
// reply, so that a failure can name its cause. Fixed in size like the rest of the link state.
struct ExchangeFailure {
  ErrorCode code = kOk;
  // The request's first bytes: the command letter and the start of its arguments.
  std::array<std::uint8_t, 8> request{};
  std::size_t requestBytes = 0;
  // What came back, in words ("a reply of 5 bytes, expected 6").
  std::array<char, 128> what{};
};

// Everything the program keeps about its one probe connection: the port, the link state and
// the loader's command buffers. All buffers are fixed, so no exchange allocates memory.
// The application makes exactly one; each test makes its own.
struct ProbeLink {
  explicit ProbeLink(SerialChannel& serialPort) : channel(serialPort) {}
  ProbeLink(const ProbeLink&) = delete;
  ProbeLink& operator=(const ProbeLink&) = delete;

  SerialChannel& channel;

  // Set by a successful link start-up, cleared by CloseProbeLink; requests need it.
  bool connected = false;
  // The port last asked for, opened or not, so a failure can name it.
  std::optional<ChosenPort> port;
  // The rate last applied to the port; reply time-outs are computed from it.
  std::uint32_t baudRate = 0;

  // Request numbering: the low 2 bits go into every request header.
  std::uint8_t sequence = 0;
  // OR-ed into header byte 0 of every request; 0x10 from the first start-up on.
  std::uint8_t headerFlags = 0;
  LinkBuffer requestFrame{};
  LinkBuffer replyFrame{};

  // The loader commands assemble requests here and take replies from here.
  LinkBuffer commandRequest{};
  LinkBuffer commandReply{};

  ExchangeFailure failure;
  // The length of the last reply a request received, for telling what an odd reply was.
  std::int32_t lastReplyLength = 0;

  // Set when a request was not sent, or a port not opened, because the program was asked to
  // stop (the channel is Abandoned()): the run was cut short by the user, not by the probe.
  // Cleared by the next link start-up.
  bool stopped = false;
  // While set, requests go out even once the program was asked to stop: those that leave the
  // probe as it should be, out of programming mode and running its firmware (WindingDown).
  bool windingDown = false;
};

// Marks the requests made during its life as ones that leave the probe as it should be, which
// are still sent after a stop was asked for: the user stopped the run, the line is fine.
class WindingDown {
 public:
  explicit WindingDown(ProbeLink& link) : link_(link), before_(link.windingDown) {
    link_.windingDown = true;
  }
  ~WindingDown() { link_.windingDown = before_; }
  WindingDown(const WindingDown&) = delete;
  WindingDown& operator=(const WindingDown&) = delete;

 private:
  ProbeLink& link_;
  bool before_;
};

// One action on the link, from the user's command to what it reports: the record of a failed
// exchange starts empty, so a failure the action shows names its own cause, never one that an
// earlier action left behind.
class LinkAction {
 public:
  explicit LinkAction(ProbeLink& link) { link.failure = {}; }
  LinkAction(const LinkAction&) = delete;
  LinkAction& operator=(const LinkAction&) = delete;
};

// Whether the program has been asked to stop and the next request is not one that winds down:
// then it is not sent, `link.stopped` is set and the failure recorded as kErrStopped.
bool RefusedByStop(ProbeLink& link);

// Records in `link.failure` that the request of `requestLength` bytes at `request` failed with
// `code`, `what` (a printf format) saying what came back. Returns `code`.
ErrorCode NoteExchangeFailure(ProbeLink& link, ErrorCode code, const std::uint8_t* request,
                              std::size_t requestLength, const char* what, ...)
    __attribute__((format(printf, 5, 6)));

}  // namespace kvx
