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
// receives the reply into the command reply buffer. A command whose reply is not examined
// returns the reply's error alone: any reply, even an empty one, is success.
Reply ExchangeRequest(ProbeLink& link, const LoaderCommand& command, const std::uint8_t* end);

// The same for a request that is the letter alone.
Reply ExchangeLetter(ProbeLink& link, const LoaderCommand& command);

// True when the reply arrived, is exactly `expectedLength` bytes long and echoes the
// command's letter.
bool ReplyEchoes(const ProbeLink& link, const Reply& reply, std::int32_t expectedLength,
                 const LoaderCommand& command);

}  // namespace kvx
