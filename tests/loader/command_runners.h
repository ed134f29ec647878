#pragma once

#include <cstdint>
#include <string>

#include "link/probe_link.h"
#include "loader/loader_commands.h"
#include "loader/probe_identity.h"

namespace kvx::test {

// Each loader command once, with fixed arguments and its outputs thrown away: the rows of the
// tables that look at what a command sends and what it makes of the reply.

inline ErrorCode ReadSetupBlock(ProbeLink& link) {
  std::uint8_t data[104];
  return ReadMemory(link, 0x01008000, 104, data);
}
inline ErrorCode ReadNothing(ProbeLink& link) {
  return ReadMemory(link, 0x01040000, 0, nullptr);
}
inline ErrorCode EraseFirmwareStart(ProbeLink& link) {
  return EraseSector(link, 0x01040000);
}
inline ErrorCode ProgramMarker(ProbeLink& link) {
  const std::uint8_t marker[] = {0xAA, 0x55, 0x55, 0xAA};
  return ProgramFlash(link, 0x01040000, 4, marker);
}
inline ErrorCode ReadDeviceId(ProbeLink& link) {
  std::uint8_t id = 0;
  return ReadLogicDeviceId(link, id);
}
inline ErrorCode ReadRow5(ProbeLink& link) {
  std::string programmed, erased;
  return ReadFuseRow(link, 5, programmed, erased);
}
inline ErrorCode ProgramRow133(ProbeLink& link) {
  return ProgramFuseRow(link, 133, std::string(240, '1'));
}
inline ErrorCode ReadSignature(ProbeLink& link) {
  std::string text;
  return ReadUserSignature(link, text);
}
inline ErrorCode ProgramSignature(ProbeLink& link) {
  return ProgramUserSignature(link, std::string(120, '0'));
}
inline ErrorCode QueryNewIdentity(ProbeLink& link) {
  ProbeIdentity identity;
  return QueryIdentity(link, identity);
}

}  // namespace kvx::test
