#pragma once

#include <cstdint>

namespace kvx {

// One of the loader's one-letter commands: the letter that starts its request (and that the
// loader echoes at the start of its reply), and how long the loader may take to carry it out,
// on top of the line time the request exchange allows for.
struct LoaderCommand {
  std::uint8_t letter;
  std::uint32_t extraTimeoutMs;
};

// The whole command set. A sector erase is by far the slowest thing the loader does.
inline constexpr LoaderCommand kIdentityCommand{'d', 1000};
inline constexpr LoaderCommand kReadMemoryCommand{'e', 10};
inline constexpr LoaderCommand kEraseSectorCommand{'g', 10000};
inline constexpr LoaderCommand kProgramFlashCommand{'h', 1000};
inline constexpr LoaderCommand kLogicIspCommand{'i', 100};
inline constexpr LoaderCommand kLogicDeviceIdCommand{'j', 100};
inline constexpr LoaderCommand kReadFuseRowCommand{'k', 100};
inline constexpr LoaderCommand kProgramFuseRowCommand{'l', 300};
inline constexpr LoaderCommand kReadUserSignatureCommand{'m', 100};
inline constexpr LoaderCommand kProgramUserSignatureCommand{'n', 300};
inline constexpr LoaderCommand kEraseLogicCommand{'p', 600};
inline constexpr LoaderCommand kStartFirmwareCommand{'q', 200};
inline constexpr LoaderCommand kIdentityPreludeCommand{'r', 10};

}  // namespace kvx
