#include "loader/command_exchange.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "link/loader_request.h"
#include "loader/cursor.h"

namespace kvx {

std::uint8_t* BeginRequest(ProbeLink& link, const LoaderCommand& command) {
  return PutByte(command.letter, link.commandRequest.data());
}

Reply ExchangeRequest(ProbeLink& link, const LoaderCommand& command, const std::uint8_t* end) {
  const auto requestLength = static_cast<std::int32_t>(end - link.commandRequest.data());
  return LoaderRequest(link, requestLength, link.commandRequest.data(),
                       static_cast<std::int32_t>(link.commandReply.size()),
                       link.commandReply.data(), command.extraTimeoutMs);
}

Reply ExchangeLetter(ProbeLink& link, const LoaderCommand& command) {
  return ExchangeRequest(link, command, BeginRequest(link, command));
}

namespace {

constexpr std::array<const LoaderCommand*, 13> kCommands = {
    &kIdentityCommand,          &kReadMemoryCommand,
    &kEraseSectorCommand,       &kProgramFlashCommand,
    &kLogicIspCommand,          &kLogicDeviceIdCommand,
    &kReadFuseRowCommand,       &kProgramFuseRowCommand,
    &kReadUserSignatureCommand, &kProgramUserSignatureCommand,
    &kEraseLogicCommand,        &kStartFirmwareCommand,
    &kIdentityPreludeCommand};

const LoaderCommand* CommandOf(std::uint8_t letter) {
  for (const LoaderCommand* command : kCommands) {
    if (command->letter == letter) return command;
  }
  return nullptr;
}

// "'h'", or "0x07" for a byte that is not a printable letter.
std::string ByteText(std::uint8_t byte) {
  char text[8];
  if (std::isprint(byte) != 0) {
    std::snprintf(text, sizeof text, "'%c'", byte);
  } else {
    std::snprintf(text, sizeof text, "0x%02X", byte);
  }
  return text;
}

// "ProgramFlash at 0x01040400 ('h')", from the request's first bytes.
std::string RequestText(const ExchangeFailure& failure) {
  if (failure.requestBytes == 0) return "an empty request";
  const std::uint8_t letter = failure.request[0];
  const LoaderCommand* command = CommandOf(letter);
  if (command == nullptr) return "the request " + ByteText(letter);
  std::string text = command->name;
  char argument[32] = "";
  const std::uint8_t* arguments = failure.request.data() + 1;
  const std::size_t argumentBytes = failure.requestBytes - 1;
  if (command->argument == CommandArgument::kAddress && argumentBytes >= 4) {
    std::uint32_t address = 0;
    GetU32BE(address, arguments);
    std::snprintf(argument, sizeof argument, " at 0x%08X", static_cast<unsigned>(address));
  } else if (command->argument == CommandArgument::kRow && argumentBytes >= 1) {
    std::snprintf(argument, sizeof argument, " of row %u", arguments[0]);
  } else if (command->argument == CommandArgument::kMode && argumentBytes >= 1) {
    text = arguments[0] != 0 ? "EnterLogicIsp" : "LeaveLogicIsp";
  }
  return text + argument + " (" + ByteText(letter) + ")";
}

}  // namespace

ErrorCode CheckReply(ProbeLink& link, const Reply& reply, std::int32_t expectedLength,
                     const LoaderCommand& command) {
  if (!reply.Ok()) return reply.error;
  if (reply.length == expectedLength && link.commandReply[0] == command.letter) return kOk;
  if (reply.length == 0) {
    return NoteExchangeFailure(link, kErrBadReply, link.commandRequest.data(), 1,
                               "an empty reply, expected %d bytes", expectedLength);
  }
  return NoteExchangeFailure(link, kErrBadReply, link.commandRequest.data(), 8,
                             "a reply of %d bytes starting %s, expected %d starting %s",
                             reply.length, ByteText(link.commandReply[0]).c_str(), expectedLength,
                             ByteText(command.letter).c_str());
}

ErrorCode CheckReplyLength(ProbeLink& link, const Reply& reply, std::int32_t minimumLength,
                           std::int32_t maximumLength) {
  if (!reply.Ok()) return reply.error;
  if (reply.length >= minimumLength && reply.length <= maximumLength) return kOk;
  if (minimumLength == maximumLength) {
    return NoteExchangeFailure(link, kErrBadReply, link.commandRequest.data(), 8,
                               "a reply of %d bytes, expected %d", reply.length, minimumLength);
  }
  return NoteExchangeFailure(link, kErrBadReply, link.commandRequest.data(), 8,
                             "a reply of %d bytes, expected at least %d", reply.length,
                             minimumLength);
}

ErrorCode CheckLoaderStatus(ProbeLink& link, ErrorCode failure) {
  const std::uint8_t status = link.commandReply[1];
  if (status == 0) return kOk;
  return NoteExchangeFailure(link, failure, link.commandRequest.data(), 8,
                             "the loader reports a failure (status %u)", status);
}

std::string DescribeExchangeFailure(const ProbeLink& link) {
  const ExchangeFailure& failure = link.failure;
  if (failure.code == kOk) return "";
  return RequestText(failure) + ": " + failure.what.data() + " (code " +
         std::to_string(failure.code) + ")";
}

}  // namespace kvx
