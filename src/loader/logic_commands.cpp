#include "loader/logic_commands.h"

#include <algorithm>

#include "loader/command_exchange.h"
#include "loader/cursor.h"

namespace kvx {

namespace {

// The 'i' argument that selects entering (1) or leaving (0) programming mode.
constexpr std::uint8_t kIspEnter = 1;
constexpr std::uint8_t kIspLeave = 0;

// 'k' and 'm' replies start with one byte this program does not examine, then the texts.
constexpr std::size_t kTextReplyOffset = 1;
constexpr std::int32_t kFuseRowReplyLength = 1 + 2 * static_cast<std::int32_t>(kFuseRowCharacters);
constexpr std::int32_t kUserSignatureReplyLength =
    1 + static_cast<std::int32_t>(kUserSignatureCharacters);
constexpr std::int32_t kDeviceIdReplyMinimum = 2;
constexpr auto kMaxReplyLength = static_cast<std::int32_t>(kFramePayloadCapacity);

std::uint8_t* PutText(const std::string& text, std::size_t count, std::uint8_t* at) {
  return std::transform(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(count), at,
                        [](char c) { return static_cast<std::uint8_t>(c); });
}

std::string TextAt(const ProbeLink& link, std::size_t offset, std::size_t count) {
  const std::uint8_t* first = link.commandReply.data() + offset;
  return std::string(first, first + count);
}

ErrorCode SendLogicIsp(ProbeLink& link, std::uint8_t mode) {
  std::uint8_t* at = BeginRequest(link, kLogicIspCommand);
  at = PutByte(mode, at);
  return ExchangeRequest(link, kLogicIspCommand, at).error;
}

}  // namespace

ErrorCode EnterLogicIsp(ProbeLink& link) {
  return SendLogicIsp(link, kIspEnter);
}

ErrorCode LeaveLogicIsp(ProbeLink& link) {
  const WindingDown leaving(link);
  return SendLogicIsp(link, kIspLeave);
}

ErrorCode ReadLogicDeviceId(ProbeLink& link, std::uint8_t& deviceId) {
  const Reply reply = ExchangeLetter(link, kLogicDeviceIdCommand);
  // A shorter reply would leave an earlier reply's byte where the identifier belongs.
  if (const ErrorCode rc = CheckReplyLength(link, reply, kDeviceIdReplyMinimum, kMaxReplyLength);
      rc != kOk) {
    return rc;
  }
  GetByte(deviceId, link.commandReply.data() + 1);
  return kOk;
}

ErrorCode ReadFuseRow(ProbeLink& link, std::uint8_t row, std::string& programmedReading,
                      std::string& erasedReading) {
  std::uint8_t* at = BeginRequest(link, kReadFuseRowCommand);
  at = PutByte(row, at);
  const Reply reply = ExchangeRequest(link, kReadFuseRowCommand, at);
  if (const ErrorCode rc = CheckReplyLength(link, reply, kFuseRowReplyLength, kFuseRowReplyLength);
      rc != kOk) {
    return rc;
  }
  programmedReading = TextAt(link, kTextReplyOffset, kFuseRowCharacters);
  erasedReading = TextAt(link, kTextReplyOffset + kFuseRowCharacters, kFuseRowCharacters);
  return kOk;
}

ErrorCode ProgramFuseRow(ProbeLink& link, std::uint8_t row, const std::string& rowText) {
  std::uint8_t* at = BeginRequest(link, kProgramFuseRowCommand);
  at = PutByte(row, at);
  if (rowText.size() < kFuseRowCharacters) {
    return NoteExchangeFailure(link, kErrTextTooShort, link.commandRequest.data(), 2,
                               "nothing: the row holds %u fuses of %u",
                               static_cast<unsigned>(rowText.size()),
                               static_cast<unsigned>(kFuseRowCharacters));
  }
  at = PutText(rowText, kFuseRowCharacters, at);
  return ExchangeRequest(link, kProgramFuseRowCommand, at).error;
}

ErrorCode ReadUserSignature(ProbeLink& link, std::string& signatureText) {
  const Reply reply = ExchangeLetter(link, kReadUserSignatureCommand);
  if (const ErrorCode rc =
          CheckReplyLength(link, reply, kUserSignatureReplyLength, kUserSignatureReplyLength);
      rc != kOk) {
    return rc;
  }
  signatureText = TextAt(link, kTextReplyOffset, kUserSignatureCharacters);
  return kOk;
}

ErrorCode ProgramUserSignature(ProbeLink& link, const std::string& signatureText) {
  std::uint8_t* at = BeginRequest(link, kProgramUserSignatureCommand);
  if (signatureText.size() < kUserSignatureCharacters) {
    return NoteExchangeFailure(link, kErrTextTooShort, link.commandRequest.data(), 1,
                               "nothing: the signature holds %u bits of %u",
                               static_cast<unsigned>(signatureText.size()),
                               static_cast<unsigned>(kUserSignatureCharacters));
  }
  at = PutText(signatureText, kUserSignatureCharacters, at);
  return ExchangeRequest(link, kProgramUserSignatureCommand, at).error;
}

ErrorCode EraseLogic(ProbeLink& link) {
  return ExchangeLetter(link, kEraseLogicCommand).error;
}

}  // namespace kvx
