#pragma once

#include <cstdint>

#include "link/error_code.h"
#include "link/probe_link.h"

namespace kvx {

// Builds the 2-byte link header: the length's bits 10-8 and 7-0, the sequence number's low
// 2 bits in bits 7-6 of byte 0, and `flags` OR-ed in.
void PutLinkHeader(std::uint8_t* at, std::uint32_t length, std::uint8_t sequence,
                   std::uint8_t flags);
// The length carried in a link header's low 11 bits.
std::uint32_t LinkHeaderLength(const std::uint8_t* header);

// The per-byte reply time-out for a request of `requestLength` bytes: the line time of the
// request and the largest reply at `baudRate`, plus `extraMs` and 200 ms of slack.
std::uint32_t ReplyByteTimeoutMs(std::uint32_t requestLength, std::uint32_t baudRate,
                                 std::uint32_t extraMs);

// One request/response exchange with the loader over the connected link, in up to three
// attempts with the same sequence number. Returns the reply length, with the reply (header
// stripped) copied to `reply`, or fails with kErrNotConnected, kErrRequestTooLong, kErrNoReply
// or kErrReplyTooLong.
Reply LoaderRequest(ProbeLink& link, std::int32_t requestLength, const std::uint8_t* request,
                    std::int32_t replyCapacity, std::uint8_t* reply, std::uint32_t extraTimeoutMs);

}  // namespace kvx
