#include "loader/probe_identity.h"

#include "link/channel_ops.h"
#include "loader/command_exchange.h"
#include "loader/cursor.h"

namespace kvx {

namespace {

// Serial characters start behind the letter and the three version words.
constexpr std::size_t kSerialOffset = 7;

// A loader that echoes 'r' is given time to settle before the caller tries again.
constexpr std::uint32_t kEchoPauseMs = 1000;

constexpr std::uint16_t kFirmwareAltBase = 0xC000;
constexpr std::uint16_t kFirmwareBase = 0x0E00;
constexpr VersionNumber kFirmwareVersionLimit = 256;
constexpr std::uint16_t kLogicBase = 8000;
constexpr VersionNumber kLogicVersionLimit = 1000;

// The loader's reply to 'r' is judged by the first byte of the reply buffer alone, so an
// empty reply is judged by what the previous exchange left there.
bool LoaderEchoedPrelude(const ProbeLink& link) {
  return link.commandReply[0] == kIdentityPreludeCommand.letter;
}

void TakeIdentity(const ProbeLink& link, const Reply& reply, ProbeIdentity& identity) {
  const std::uint8_t* at = link.commandReply.data() + 1;
  std::uint16_t rawFirmware = 0;
  std::uint16_t rawLogic = 0;
  at = GetU16BE(identity.loaderVersion, at);
  at = GetU16BE(rawFirmware, at);
  GetU16BE(rawLogic, at);
  identity.firmwareVersion = DecodeFirmwareVersion(rawFirmware);
  identity.logicVersion = DecodeLogicVersion(rawLogic);
  const std::uint8_t* serial = link.commandReply.data() + kSerialOffset;
  identity.serialNumber.assign(serial, link.commandReply.data() + reply.length);
}

}  // namespace

VersionNumber DecodeFirmwareVersion(std::uint16_t rawWord) {
  // Both the 0x0E.. and 0xCE.. words carry the version; fold the second onto the first.
  std::uint16_t word = rawWord;
  if (word >= kFirmwareAltBase) word = static_cast<std::uint16_t>(word + 0x4000u);
  const auto version = static_cast<VersionNumber>(word - kFirmwareBase);
  return version < kFirmwareVersionLimit ? version : VersionNumber{0};
}

VersionNumber DecodeLogicVersion(std::uint16_t rawWord) {
  const auto version = static_cast<VersionNumber>(rawWord - kLogicBase);
  return version < kLogicVersionLimit ? version : VersionNumber{0};
}

ErrorCode QueryIdentity(ProbeLink& link, ProbeIdentity& identity) {
  const Reply prelude = ExchangeLetter(link, kIdentityPreludeCommand);
  if (!prelude.Ok()) return prelude.error;
  if (LoaderEchoedPrelude(link)) {
    DelayMs(link.channel, kEchoPauseMs);
    return NoteExchangeFailure(link, kErrLoaderEcho, link.commandRequest.data(), 1,
                               "the loader echoed the letter");
  }

  const Reply reply = ExchangeLetter(link, kIdentityCommand);
  if (!reply.Ok()) return reply.error;
  if (reply.length != kShortIdentityReplyLength && reply.length != kLongIdentityReplyLength) {
    identity.loaderVersion = 0;
    identity.firmwareVersion = 0;
    identity.logicVersion = 0;
    return kOk;
  }
  if (const ErrorCode rc = CheckReply(link, reply, reply.length, kIdentityCommand); rc != kOk) {
    return rc;
  }
  TakeIdentity(link, reply, identity);
  return kOk;
}

}  // namespace kvx
