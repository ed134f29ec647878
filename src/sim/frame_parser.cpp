#include "sim/frame_parser.h"

namespace kvx::sim {

FrameParser::Event FrameParser::Push(std::uint8_t byte) {
  ++wireSize_;
  switch (state_) {
    case State::kHunt:
      if (byte == kDle) state_ = State::kHuntDle;
      return Event::kNone;
    case State::kHuntDle:
      if (byte == kStx) return StartFrame();
      state_ = State::kHunt;
      return Event::kNone;
    case State::kPayload:
      if (byte == kDle) {
        state_ = State::kPayloadDle;
        return Event::kNone;
      }
      return StoreData(byte);
    case State::kPayloadDle:
      return PushPayloadEscape(byte);
    case State::kChecksum:
      if (byte == kDle) {
        state_ = State::kChecksumDle;
        return Event::kNone;
      }
      return Finish(byte);
    case State::kChecksumDle:
      return byte == kDle ? Finish(kDle) : Fail();
  }
  return Event::kNone;
}

FrameParser::Event FrameParser::StartFrame() {
  state_ = State::kPayload;
  size_ = 0;
  checksum_ = 0;
  wireSize_ = 2;
  return Event::kNone;
}

FrameParser::Event FrameParser::Fail() {
  state_ = State::kHunt;
  return Event::kBadFrame;
}

FrameParser::Event FrameParser::PushPayloadEscape(std::uint8_t byte) {
  if (byte == kEtx) {
    state_ = State::kChecksum;
    return Event::kNone;
  }
  if (byte == kStx) {
    // A new frame began inside this one: the host gave up on the old one, so follow it.
    StartFrame();
    return Event::kBadFrame;
  }
  return byte == kDle ? StoreData(kDle) : Fail();
}

FrameParser::Event FrameParser::StoreData(std::uint8_t byte) {
  state_ = State::kPayload;
  if (size_ == payload_.size()) return Fail();
  payload_[size_++] = byte;
  checksum_ ^= byte;
  return Event::kNone;
}

FrameParser::Event FrameParser::Finish(std::uint8_t checksum) {
  state_ = State::kHunt;
  return checksum == checksum_ ? Event::kFrame : Event::kBadFrame;
}

}  // namespace kvx::sim
