#include "app/setup_document.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "app/document_archive.h"

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
      !in.GetString(document.probeIpAddress) || !in.GetString(document.hostIpAddress) ||
      !in.GetString(document.configFileName)) {
    return false;
  }
  if (version >= kVersionWithGateway &&
      (!in.GetString(document.subnetMask) || !in.GetString(document.defaultGateway))) {
    return false;
  }
  return version < kVersionWithReserved || GetU16Into(in, document.reserved);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

DocumentReadResult Unreadable(const std::string& path) {
  return {false, kFailedToOpenDocument, path + ": " + std::strerror(errno)};
}

}  // namespace

std::vector<std::uint8_t> WriteSetupDocument(const SetupDocument& document) {
  ArchiveWriter out;
  out.PutU16(kDocumentFormatVersion);
  out.PutU16(static_cast<std::uint16_t>(document.speedIndex));
  out.PutU16(static_cast<std::uint16_t>(document.portIndex));
  out.PutString(document.probeIpAddress);
  out.PutString(document.hostIpAddress);
  out.PutString(document.configFileName);
  out.PutString(document.subnetMask);
  out.PutString(document.defaultGateway);
  out.PutU16(static_cast<std::uint16_t>(document.reserved));
  return out.Bytes();
}

DocumentReadResult ReadSetupDocument(const std::vector<std::uint8_t>& bytes,
                                     SetupDocument& document) {
  SetupDocument loaded;
  ArchiveReader in(bytes.data(), bytes.size());
  if (!bytes.empty() && !ReadFields(in, loaded)) {
    document = SetupDocument{};
    return {false, kUnexpectedFileFormat, {}};
  }
  document = std::move(loaded);
  return {};
}

DocumentReadResult LoadSetupDocument(const std::string& path, SetupDocument& document) {
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return Unreadable(path);
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[4096];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  if (std::ferror(file.get()) != 0) return Unreadable(path);
  return ReadSetupDocument(bytes, document);
}

}  // namespace kvx
