#include "loader/command_exchange.h"

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

bool ReplyEchoes(const ProbeLink& link, const Reply& reply, std::int32_t expectedLength,
                 const LoaderCommand& command) {
  return reply.HasLength(expectedLength) && link.commandReply[0] == command.letter;
}

}  // namespace kvx
