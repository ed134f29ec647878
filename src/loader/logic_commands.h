#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/error_code.h"
#include "link/probe_link.h"

namespace kvx {

// The loader's commands for the logic device, which it programs in-system. Each is one
// request exchange and returns 0, kErrBadReply where its reply is examined and does not fit,
// or the exchange's code. Outputs are written only on success.

// One fuse row, and the user signature, travel as texts of "0" and "1" characters.
inline constexpr std::size_t kFuseRowCharacters = 240;
inline constexpr std::size_t kUserSignatureCharacters = 120;

// Puts the logic device into in-system programming mode, and takes it out again; leaving is
// sent even after a stop was asked for (WindingDown).
ErrorCode EnterLogicIsp(ProbeLink& link);
ErrorCode LeaveLogicIsp(ProbeLink& link);

// The device identifier, reply byte 1. kErrBadReply when the reply is too short to carry it.
ErrorCode ReadLogicDeviceId(ProbeLink& link, std::uint8_t& deviceId);

// Reads back fuse row `row` twice: verified against the programmed and the erased level.
ErrorCode ReadFuseRow(ProbeLink& link, std::uint8_t row, std::string& programmedReading,
                      std::string& erasedReading);
// Programs fuse row `row` from the first kFuseRowCharacters characters of `rowText`.
ErrorCode ProgramFuseRow(ProbeLink& link, std::uint8_t row, const std::string& rowText);

ErrorCode ReadUserSignature(ProbeLink& link, std::string& signatureText);
// Programs the user signature from the first kUserSignatureCharacters of `signatureText`.
ErrorCode ProgramUserSignature(ProbeLink& link, const std::string& signatureText);

ErrorCode EraseLogic(ProbeLink& link);

}  // namespace kvx
