#include "sim/loader_commands.h"

#include <string_view>

#include "link/frame_encoding.h"
#include "sim/byte_order.h"
#include "sim/installed_versions.h"

namespace kvx::sim {

namespace {

// The largest reply that fits one frame beside the 2 header bytes.
constexpr std::size_t kMaxReplyBytes = kMaxFramePayload - 2;
// 'e' replies carry 7 bytes before the data.
constexpr std::size_t kReadReplyOverhead = 7;

std::string_view Text(const std::uint8_t* bytes, std::size_t n) {
  return {reinterpret_cast<const char*>(bytes), n};
}

void AppendText(std::vector<std::uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}

bool IsLogicCommand(std::uint8_t letter) {
  switch (letter) {
    case 'j':
    case 'k':
    case 'l':
    case 'm':
    case 'n':
    case 'p':
      return true;
    default:
      return false;
  }
}

}  // namespace

void LoaderCommands::Execute(const std::uint8_t* request, std::size_t n, CommandFaults faults,
                             std::vector<std::uint8_t>& reply) {
  const Request r{request, n};
  const std::uint8_t letter = request[0];
  reply.clear();
  bool wellFormed = false;
  switch (letter) {
    case 'd':
      wellFormed = Identity(r, reply);
      break;
    case 'e':
      wellFormed = ReadMemory(r, reply);
      break;
    case 'g':
      wellFormed = EraseSector(r, faults.failErase, reply);
      break;
    case 'h':
      wellFormed = ProgramFlash(r, faults, reply);
      break;
    case 'i':
      wellFormed = SetIsp(r, reply);
      break;
    case 'q':
      wellFormed = StartFirmware(r, reply);
      break;
    case 'r':
      wellFormed = n == 1;
      if (wellFormed) reply.push_back(kIdentityProbeReply);
      break;
    default:
      wellFormed = IsLogicCommand(letter) && LogicCommand(r, reply);
      break;
  }
  if (!wellFormed) reply.assign({kRefusedReply, letter});
}

bool LoaderCommands::Identity(Request request, std::vector<std::uint8_t>& reply) const {
  if (request.size != 1) return false;
  reply.push_back('d');
  AppendU16BE(reply, identity_.loaderWord);
  AppendU16BE(reply, device_.firmwareFromCells ? InstalledFirmwareWord(device_.flash)
                                               : identity_.firmwareWord);
  AppendU16BE(reply,
              device_.logicFromCells ? InstalledLogicWord(device_.logic) : identity_.logicWord);
  AppendText(reply, identity_.serial);
  return true;
}

bool LoaderCommands::ReadMemory(Request request, std::vector<std::uint8_t>& reply) const {
  if (request.size != 7) return false;
  const std::uint16_t length = GetU16BE(request.bytes + 5);
  if (length + kReadReplyOverhead > kMaxReplyBytes) return false;
  // The six bytes the host does not look at echo the address and length asked for.
  reply.assign(request.bytes, request.bytes + kReadReplyOverhead);
  reply.resize(kReadReplyOverhead + length);
  device_.flash.Read(GetU32BE(request.bytes + 1), reply.data() + kReadReplyOverhead, length);
  return true;
}

bool LoaderCommands::EraseSector(Request request, bool fail, std::vector<std::uint8_t>& reply) {
  if (request.size != 5) return false;
  const std::uint32_t sector = GetU32BE(request.bytes + 1);
  const FlashStatus status = fail ? FlashStatus::kDeviceFault : device_.flash.EraseSector(sector);
  if (sector >= kFirmwareAreaBegin) device_.firmwareFromCells = true;
  reply.assign({'g', static_cast<std::uint8_t>(status)});
  return true;
}

bool LoaderCommands::ProgramFlash(Request request, CommandFaults faults,
                                  std::vector<std::uint8_t>& reply) {
  if (request.size < 7) return false;
  const std::uint32_t address = GetU32BE(request.bytes + 1);
  const std::uint16_t length = GetU16BE(request.bytes + 5);
  if (request.size != 7u + length) return false;
  std::vector<std::uint8_t> stored(request.bytes + 7, request.bytes + 7 + length);
  if (faults.weakCell && length > 0) stored[0] ^= 0x01;
  const FlashStatus status = faults.failProgram
                                 ? FlashStatus::kDeviceFault
                                 : device_.flash.Program(address, stored.data(), length);
  programLog_.push_back({address, length, status});
  if (address >= kFirmwareAreaBegin) device_.firmwareFromCells = true;
  reply.assign({'h', static_cast<std::uint8_t>(status)});
  AppendU32BE(reply, status == FlashStatus::kOk ? address + length : address);
  return true;
}

bool LoaderCommands::SetIsp(Request request, std::vector<std::uint8_t>& reply) {
  if (request.size != 2 || request.bytes[1] > 1) return false;
  device_.logic.SetIsp(request.bytes[1] == 1);
  reply.assign({'i', request.bytes[1]});
  return true;
}

bool LoaderCommands::LogicCommand(Request request, std::vector<std::uint8_t>& reply) {
  const std::uint8_t letter = request.bytes[0];
  if (!device_.logic.InIsp()) {
    reply.assign({kNotInIspReply, letter});
    return true;
  }
  switch (letter) {
    case 'j':
      if (request.size != 1) return false;
      reply.assign({'j', identity_.logicDeviceId});
      return true;
    case 'k':
      return ReadFuseRow(request, reply);
    case 'l':
      device_.logicFromCells = true;
      return ProgramFuseRow(request, reply);
    case 'm':
      if (request.size != 1) return false;
      reply.push_back('m');
      AppendText(reply, device_.logic.Signature());
      return true;
    case 'n':
      device_.logicFromCells = true;
      return ProgramSignature(request, reply);
    default:  // 'p'
      if (request.size != 1) return false;
      device_.logicFromCells = true;
      device_.logic.Erase();
      reply.assign({'p', 0});
      return true;
  }
}

bool LoaderCommands::ReadFuseRow(Request request, std::vector<std::uint8_t>& reply) const {
  if (request.size != 2 || request.bytes[1] >= kFuseRowCount) return false;
  const std::string& row = device_.logic.Row(request.bytes[1]);
  reply.push_back('k');
  // Both readings of a healthy cell agree: as programmed, and against the erased level.
  AppendText(reply, row);
  AppendText(reply, row);
  return true;
}

bool LoaderCommands::ProgramFuseRow(Request request, std::vector<std::uint8_t>& reply) {
  if (request.size != 2 + kFuseRowLength) return false;
  if (!device_.logic.ProgramRow(request.bytes[1], Text(request.bytes + 2, kFuseRowLength))) {
    return false;
  }
  reply.assign({'l', 0});
  return true;
}

bool LoaderCommands::ProgramSignature(Request request, std::vector<std::uint8_t>& reply) {
  if (request.size != 1 + kSignatureLength) return false;
  if (!device_.logic.ProgramSignature(Text(request.bytes + 1, kSignatureLength))) return false;
  reply.assign({'n', 0});
  return true;
}

bool LoaderCommands::StartFirmware(Request request, std::vector<std::uint8_t>& reply) {
  if (request.size != 1) return false;
  ++firmwareStarts_;
  reply.push_back('q');
  return true;
}

}  // namespace kvx::sim
