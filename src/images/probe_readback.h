#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "images/fuse_map.h"
#include "images/image_marker.h"
#include "link/error_code.h"
#include "link/probe_link.h"
#include "ui/dialog_services.h"

namespace kvx {

// Reading a probe back into files that program it back as it was: the firmware area as an
// S-record image that UpdateFirmware takes, the logic device as a JEDEC file that
// LoadJedecFile takes, user signature included.

// The firmware area as read: every byte from kFirmwareAreaStart to kFirmwareAreaEnd, the
// image marker's word first.
struct FirmwareReading {
  std::vector<std::uint8_t> area;
  MarkerWord Marker() const;
  ImageMarkerState MarkerState() const { return MarkerStateOf(Marker()); }
};

// Reads the whole firmware area in ReadMemory requests of at most kMaxReadMemoryBytes, with
// "Firmware: Reading Flash ... ( N% )" as it goes, then "... passed!" or "... failed!".
// Returns 0 or the failing ReadMemory's code; `reading` is complete only on 0.
ErrorCode ReadFirmwareArea(ProbeLink& link, DialogServices& services, FirmwareReading& reading);

// The image behind the marker as S-record text: an S0 header that records the marker's word
// (FirmwareAreaHeader), S3 records from kFirstImageAddress up to the last byte that is not
// erased (records that are erased throughout are left out: an update erases the area before it
// programs), an S5 record count and an S7 end record. The marker's word is no data record: an
// update of the file writes it last, after every record went in, and only as the header says
// it was, so an image the probe never finished is not marked finished in the copy.
std::string FormatFirmwareSRecords(const FirmwareReading& reading);

// The logic device as read: its fuse rows at the programmed level and its user signature,
// kUserSignatureCharacters '0'/'1' characters as the device keeps them.
struct LogicReading {
  FuseMap map;
  std::string signatureBits;
};

// Enters in-system programming mode, checks that the device is the one the fuse files are made
// for, as an update does, reads every fuse row and the user signature ("Logic: Reading ...
// ( N% )", then "... passed!"), and leaves the mode again whatever happened, as the logic update's
// steps do: every failure has been reported in a message box when it returns false.
bool ReadLogicDevice(ProbeLink& link, DialogServices& services, LogicReading& reading);

// The logic device as a JEDEC file: fuse count, user signature, the fuse list with 60 fuses a
// line, the fuse checksum, and the transmission checksum after the end of transmission.
std::string FormatLogicJedec(const LogicReading& reading);

}  // namespace kvx
