#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "os/result.h"
#include "setup/setup_block.h"

namespace kvx {

// The settings kept in a ".gdb" file: port and speed for the probe and the five texts of its
// network setup, kept exactly as typed.
struct SetupDocument {
  // The format version word of the file last read into this document; nothing for a new
  // document or an empty file. Decides which fields the file holds.
  std::optional<std::uint16_t> fileVersion;
  std::int32_t speedIndex = 0;  // 0 = 9600, 1 = 19200, 2 = 38400, 3 = 57600, 4 = 115200 baud
  std::int32_t portIndex = 0;   // 0 = COM1 up to 18 = COM19
  // A new document's: no probe address yet, and the all-ones address for the others.
  NetworkSetupTexts network{"255.255.255.255", "0.0.0.0", "255.255.255.255", "255.255.255.255", ""};
  std::int32_t reserved = 0;  // kept as 16 bits; nothing reads it
};

// The version every document is written with.
inline constexpr std::uint16_t kDocumentFormatVersion = 3;

// The file's bytes, little-endian and without any header of their own: the version, the low
// 16 bits of speedIndex and portIndex, the five texts as archive strings (probe IP, host IP,
// configuration file name, subnet mask, default gateway) and the low 16 bits of reserved.
// Fails, saying why, when a text is longer than a document may hold (kLongestArchiveText),
// since such a file could not be read again.
Result<std::vector<std::uint8_t>> WriteSetupDocument(const SetupDocument& document);

// Reads a document from a file's bytes. Versions 0 and 1 end after the configuration file
// name and keep the default mask and gateway, version 2 keeps the default `reserved`, and any
// version above 3 is read as 3; bytes behind the last field are ignored. An empty file is a
// document with all defaults. A file that ends before its fields do, or holds a text longer
// than kLongestArchiveText, fails with kUnexpectedFileFormat as the failure's text.
Result<SetupDocument> ReadSetupDocument(const std::vector<std::uint8_t>& bytes);

// The same from a file, reading no further than the last field; the failure's detail names
// the file. Only a regular file is a document: a device, a FIFO or a directory fails with
// kFailedToOpenDocument without ever waiting for a writer, as does a file that cannot be read,
// and the detail then says why.
Result<SetupDocument> LoadSetupDocument(const std::string& path);

}  // namespace kvx
