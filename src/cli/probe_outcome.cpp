#include "cli/probe_outcome.h"

#include <utility>

#include "cli/sha256.h"

namespace kvx::cli {

FileProof ProveFile(std::string part, std::filesystem::path path, VersionNumber version,
                    const std::string& bytes) {
  FileProof proof;
  proof.part = std::move(part);
  proof.path = std::move(path);
  proof.version = version;
  proof.size = bytes.size();
  proof.sha256 = Sha256Hex(bytes);
  return proof;
}

}  // namespace kvx::cli
