#pragma once

#include <cstdint>

#include "link/error_code.h"
#include "link/probe_link.h"
#include "loader/loader_command.h"

namespace kvx {

// The steps every loader command shares. A command writes its letter with BeginRequest,
// appends its arguments with the cursor operations, and hands the cursor to ExchangeRequest.

// Puts the command's letter at the start of the command request buffer and returns the
// position behind it.
std::uint8_t* BeginRequest(ProbeLink& link, const LoaderCommand& command);

// Sends the request assembled from the start of the command request buffer up to `end` and
// receives the reply into the command reply buffer. Returns the reply length, or the negative
// ErrorCode of the exchange.
std::int32_t ExchangeRequest(ProbeLink& link, const LoaderCommand& command,
                             const std::uint8_t* end);

// The same for a request that is the letter alone.
std::int32_t ExchangeLetter(ProbeLink& link, const LoaderCommand& command);

// For commands whose reply is not examined: any reply, even an empty one, is success.
ErrorCode IgnoreReply(std::int32_t replyLength);

// True when the reply is exactly `expectedLength` bytes long and echoes the command's letter.
bool ReplyEchoes(const ProbeLink& link, std::int32_t replyLength, std::int32_t expectedLength,
                 const LoaderCommand& command);

}  // namespace kvx
