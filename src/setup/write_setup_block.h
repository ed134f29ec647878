#pragma once

#include "link/error_code.h"
#include "link/probe_link.h"
#include "loader/part_change.h"
#include "setup/setup_block.h"

namespace kvx {

// Writes the network setup into the connected probe's flash and reads it back: asks the
// probe for its serial number, builds the block, erases the setup sector, programs all
// 104 bytes and compares them with what the probe reads back. Returns 0 when they agree;
// the first failing command's code; kErrBadReply, before anything is erased, when the
// serial number is too short to make a MAC address from; kErrSetupMismatch when the
// read-back differs. Once the erase has run, a failure leaves the probe without a valid
// block. `report` learns that the setup block is being written from the start on, and
// whether it was.
ErrorCode WriteSetupBlock(ProbeLink& link, const NetworkSetupTexts& texts,
                          const PartChangeReport& report = {});

}  // namespace kvx
