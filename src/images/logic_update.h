#pragma once

#include <string>

#include "images/fuse_map.h"
#include "images/jedec_reader.h"
#include "link/probe_link.h"
#include "loader/part_change.h"
#include "ui/dialog_services.h"

namespace kvx {

// The steps that check, erase, program and verify the probe's logic device. Each switches the
// wait cursor on and off once on every path, always off before a message box, reports its own
// failure in a message box, and returns true on success or false after such a report. A
// failing step sends nothing more.

// Enter and leave in-system programming mode. Callers leave it even when entering failed.
bool BeginLogicIsp(ProbeLink& link, DialogServices& services);
bool EndLogicIsp(ProbeLink& link, DialogServices& services);

// Fails unless the device is the one the fuse files are made for.
bool CheckLogicDevice(ProbeLink& link, DialogServices& services);

bool EraseLogicDevice(ProbeLink& link, DialogServices& services);

// Programs every row of `map`, then the user signature encoded from `signatureText`, with the
// percentage of rows done in the status text.
bool ProgramFuseMap(ProbeLink& link, const FuseMap& map, const std::string& signatureText,
                    DialogServices& services);

// Reads every row back at the programmed and the erased level and compares both with `map`,
// then compares the user signature with the encoding of `signatureText`.
bool VerifyFuseMap(ProbeLink& link, const FuseMap& map, const std::string& signatureText,
                   DialogServices& services);

// Reads every row as the device verifies it at the programmed level, the level a programmed
// fuse shows, into `map`, then the user signature's kUserSignatureCharacters characters into
// `signatureBits`, with the percentage of rows done in the status text.
bool ReadFuseMap(ProbeLink& link, FuseMap& map, std::string& signatureBits,
                 DialogServices& services);

// The logic's part of an update: takes the file read (ReadJedecFile), enters programming
// mode, checks the device, erases it, programs `file` with `signatureText` and verifies it.
// The device leaves programming mode whatever happened, even when it never entered it.
// `report` learns that the logic is changing once the erase begins, and whether it was
// written.
bool RunLogicUpdate(ProbeLink& link, const JedecFile& file, const std::string& signatureText,
                    DialogServices& services, const PartChangeReport& report);

// The logic's part of Erase: the same around the erase alone; `report` learns that the logic
// is being erased, and whether it was.
bool RunLogicErase(ProbeLink& link, DialogServices& services, const PartChangeReport& report);

}  // namespace kvx
