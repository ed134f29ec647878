#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/error_code.h"
#include "link/probe_link.h"
#include "loader/version_number.h"

namespace kvx {

// The serial numbers a probe reports: 8 characters, or 10 from a long identity reply.
inline constexpr std::size_t kShortSerialNumberLength = 8;
inline constexpr std::size_t kLongSerialNumberLength = 10;
// The identity reply: the letter, three version words and the serial number; a reply of any
// other length carries no versions.
inline constexpr std::int32_t kShortIdentityReplyLength = 7 + kShortSerialNumberLength;
inline constexpr std::int32_t kLongIdentityReplyLength = 7 + kLongSerialNumberLength;

// What the connected probe says about itself.
struct ProbeIdentity {
  VersionNumber loaderVersion = 0;    // as the loader sends it, not decoded
  VersionNumber firmwareVersion = 0;  // 0 to 255; 0 means no valid firmware version
  VersionNumber logicVersion = 0;     // 0 to 999; 0 means no valid logic version
  std::string serialNumber;           // of one of the two lengths above
  std::string macAddressText;         // set by the caller with MakeMacAddressText
};

// Turns the firmware word of the identity reply into a version: 0x0E00 to 0x0EFF and
// 0xCE00 to 0xCEFF give 0 to 255, every other word gives 0.
VersionNumber DecodeFirmwareVersion(std::uint16_t rawWord);

// Turns the logic word of the identity reply into a version: 8000 to 8999 give 0 to 999,
// every other word gives 0.
VersionNumber DecodeLogicVersion(std::uint16_t rawWord);

// Asks the loader who it is: 'r', then 'd', and updates `identity` in place.
// - kErrLoaderEcho, after a 1000 ms pause and without asking 'd', when the loader answers 'r'
//   with 'r';
// - kErrBadReply when the identity reply has a valid length but does not start with 'd';
// - 0 with all three versions set to 0 (serial number kept) when the identity reply has any
//   other length: the caller takes loader version 0 as "no probe";
// - the exchange's code when either request fails.
// On a failure `identity` keeps what it held; `macAddressText` is never touched.
ErrorCode QueryIdentity(ProbeLink& link, ProbeIdentity& identity);

}  // namespace kvx
