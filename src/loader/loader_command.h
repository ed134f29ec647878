#pragma once

#include <cstdint>

namespace kvx {

// What follows a command's letter in its request, as far as a failure report names it.
enum class CommandArgument {
  kNone,
  kAddress,  // a 32-bit flash address
  kRow,      // a fuse row number
  kMode,     // the programming mode switch: 1 enters, 0 leaves
};

// One of the loader's one-letter commands: the letter that starts its request (and that the
// loader echoes at the start of its reply), how long the loader may take to carry it out, on
// top of the line time the request exchange allows for, and how a failure report names it.
struct LoaderCommand {
  std::uint8_t letter;
  std::uint32_t extraTimeoutMs;
  const char* name;
  CommandArgument argument = CommandArgument::kNone;
};

// The whole command set. A sector erase is by far the slowest thing the loader does.
inline constexpr LoaderCommand kIdentityCommand{'d', 1000, "QueryIdentity"};
inline constexpr LoaderCommand kReadMemoryCommand{'e', 10, "ReadMemory", CommandArgument::kAddress};
inline constexpr LoaderCommand kEraseSectorCommand{'g', 10000, "EraseSector",
                                                   CommandArgument::kAddress};
inline constexpr LoaderCommand kProgramFlashCommand{'h', 1000, "ProgramFlash",
                                                    CommandArgument::kAddress};
inline constexpr LoaderCommand kLogicIspCommand{'i', 100, "LogicIsp", CommandArgument::kMode};
inline constexpr LoaderCommand kLogicDeviceIdCommand{'j', 100, "ReadLogicDeviceId"};
inline constexpr LoaderCommand kReadFuseRowCommand{'k', 100, "ReadFuseRow", CommandArgument::kRow};
inline constexpr LoaderCommand kProgramFuseRowCommand{'l', 300, "ProgramFuseRow",
                                                      CommandArgument::kRow};
inline constexpr LoaderCommand kReadUserSignatureCommand{'m', 100, "ReadUserSignature"};
inline constexpr LoaderCommand kProgramUserSignatureCommand{'n', 300, "ProgramUserSignature"};
inline constexpr LoaderCommand kEraseLogicCommand{'p', 600, "EraseLogic"};
inline constexpr LoaderCommand kStartFirmwareCommand{'q', 200, "StartFirmware"};
inline constexpr LoaderCommand kIdentityPreludeCommand{'r', 10, "QueryIdentity (prelude)"};

}  // namespace kvx
