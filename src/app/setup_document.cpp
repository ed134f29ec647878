#include "app/setup_document.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/document_archive.h"
#include "images/text_file.h"
#include "ui/messages.h"

namespace kvx {

namespace {

// Versions from this one on hold the subnet mask and the default gateway.
constexpr std::uint16_t kVersionWithGateway = 2;
// Versions from this one on hold `reserved`.
constexpr std::uint16_t kVersionWithReserved = 3;

bool GetU16Into(ArchiveReader& in, std::int32_t& field) {
  std::uint16_t value = 0;
  if (!in.GetU16(value)) return false;
  field = value;
  return true;
}

bool ReadFields(ArchiveReader& in, SetupDocument& document) {
  std::uint16_t version = 0;
  if (!in.GetU16(version)) return false;
  document.fileVersion = version;
  if (!GetU16Into(in, document.speedIndex) || !GetU16Into(in, document.portIndex) ||
      !in.GetString(document.network.probeIpAddress) ||
      !in.GetString(document.network.hostIpAddress) ||
      !in.GetString(document.network.configFileName)) {
    return false;
  }
  if (version >= kVersionWithGateway && (!in.GetString(document.network.subnetMask) ||
                                         !in.GetString(document.network.defaultGateway))) {
    return false;
  }
  return version < kVersionWithReserved || GetU16Into(in, document.reserved);
}

// The fields, or the defaults for an empty file.
Result<SetupDocument> ReadFrom(ArchiveReader& in, bool emptyFile) {
  SetupDocument loaded;
  if (!emptyFile && !ReadFields(in, loaded)) return Failure{kUnexpectedFileFormat, {}};
  return loaded;
}

Failure Unreadable(const std::string& path, const std::string& why) {
  return {kFailedToOpenDocument, path + ": " + why};
}

}  // namespace

Result<std::vector<std::uint8_t>> WriteSetupDocument(const SetupDocument& document) {
  ArchiveWriter out;
  out.PutU16(kDocumentFormatVersion);
  out.PutU16(static_cast<std::uint16_t>(document.speedIndex));
  out.PutU16(static_cast<std::uint16_t>(document.portIndex));
  const NetworkSetupTexts& texts = document.network;
  for (const std::string* text :
       {&texts.probeIpAddress, &texts.hostIpAddress, &texts.configFileName, &texts.subnetMask,
        &texts.defaultGateway}) {
    if (!out.PutString(*text)) {
      return Failure{"a text is longer than " + std::to_string(kLongestArchiveText) + " characters",
                     {}};
    }
  }
  out.PutU16(static_cast<std::uint16_t>(document.reserved));
  return out.Bytes();
}

Result<SetupDocument> ReadSetupDocument(const std::vector<std::uint8_t>& bytes) {
  std::size_t at = 0;
  ArchiveReader in([&bytes, &at](std::uint8_t* into, std::size_t count) {
    if (bytes.size() - at < count) return false;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), count, into);
    at += count;
    return true;
  });
  return ReadFrom(in, bytes.empty());
}

Result<SetupDocument> LoadSetupDocument(const std::string& path) {
  const Result<RegularFile> file = OpenRegularFile(std::filesystem::u8path(path));
  if (!file) return Unreadable(path, file.failure().text);
  std::FILE* stream = file->stream.get();
  ArchiveReader in([stream](std::uint8_t* into, std::size_t count) {
    return std::fread(into, 1, count, stream) == count;
  });
  Result<SetupDocument> read = ReadFrom(in, file->size == 0);
  if (std::ferror(stream) != 0) return Unreadable(path, std::strerror(errno));
  if (!read) return Failure{read.failure().text, path};
  return read;
}

}  // namespace kvx
