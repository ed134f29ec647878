#pragma once

#include <cstdint>
#include <string>

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

// kOk when the reply arrived, is exactly `expectedLength` bytes long and echoes the command's
// letter; otherwise the exchange's error, or kErrBadReply recorded with what came instead.
ErrorCode CheckReply(ProbeLink& link, const Reply& reply, std::int32_t expectedLength,
                     const LoaderCommand& command);

// kOk when the reply arrived and its length is from `minimumLength` to `maximumLength`,
// whatever its letter; otherwise as CheckReply.
ErrorCode CheckReplyLength(ProbeLink& link, const Reply& reply, std::int32_t minimumLength,
                           std::int32_t maximumLength);

// kOk when the status byte behind the letter of an 'g' or 'h' reply reports success;
// otherwise `failure`, recorded with the status the loader gave.
ErrorCode CheckLoaderStatus(ProbeLink& link, ErrorCode failure);

// The last failed exchange in words: the request, what came back and the code, e.g.
// "ProgramFlash at 0x01040400 ('h'): a reply of 5 bytes starting 'h', expected 6 (code -4005)".
std::string DescribeExchangeFailure(const ProbeLink& link);

}  // namespace kvx
