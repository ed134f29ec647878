#include "app/update_plan.h"

#include <optional>

#include "images/user_signature.h"
#include "loader/flash_map.h"
#include "loader/version_text.h"

namespace kvx {

namespace {

const std::string kNoProblem;

// Without a version number there is no file to name, only the place that holds none.
std::string MissingFileProblem(const UpdateCatalogue& catalogue, const std::string& baseName) {
  return "no " + baseName + " update file in " + catalogue.Directory().string();
}

std::string FileRefusal(const std::filesystem::path& path, const std::string& problem) {
  return path.empty() ? problem : path.string() + ": " + problem;
}

FirmwarePlan PlanFirmware(const UpdateCatalogue& catalogue, VersionNumber number) {
  FirmwarePlan plan;
  plan.due = true;
  plan.path = catalogue.UpdateFilePath(kFirmwareBaseName, number);
  plan.version = number;
  plan.image = LoadFirmwareImage(plan.path);
  if (plan.path.empty()) plan.image.problem = MissingFileProblem(catalogue, kFirmwareBaseName);
  return plan;
}

LogicPlan PlanLogic(const UpdateCatalogue& catalogue, const std::string& serialNumber,
                    VersionNumber number) {
  LogicPlan plan;
  plan.due = true;
  plan.path = catalogue.LogicFilePath(serialNumber, number);
  plan.version = number;
  plan.signature = MakeUserSignatureText(number);
  plan.file = LoadJedecFile(plan.path);
  if (plan.path.empty()) plan.file.problem = MissingFileProblem(catalogue, kLogicBaseName);
  return plan;
}

// A named file keeps the state of the probe it was read from. Without the marker a probe reports
// no firmware version, whatever its image holds, so a copy of such a probe claims none either.
FirmwarePlan PlanNamedFirmware(const std::filesystem::path& path) {
  FirmwarePlan plan;
  plan.due = true;
  plan.path = path;
  plan.image = LoadFirmwareImage(path, MarkerRecordUse::kFollow);
  if (plan.image.MarkerToWrite() != kImageMarker) return plan;
  plan.version = ImageFirmwareVersion(plan.image);
  if (plan.version == 0) plan.version = ParseFileNumber(path.extension().string());
  return plan;
}

// The logic version a probe reports for a signature text: the four digits from its seventh
// character on, as the identity reply's logic word ("T3952D8105" gives 1.05); 0 for others.
VersionNumber SignatureLogicVersion(const std::string& signature) {
  constexpr std::size_t kWordAt = 6;
  constexpr std::size_t kWordDigits = 4;
  if (signature.size() < kWordAt + kWordDigits) return 0;
  unsigned word = 0;
  for (std::size_t i = kWordAt; i < kWordAt + kWordDigits; ++i) {
    const char digit = signature[i];
    if (digit < '0' || digit > '9') return 0;
    word = word * 10 + static_cast<unsigned>(digit - '0');
  }
  return DecodeLogicVersion(static_cast<std::uint16_t>(word));
}

// A named file's signature carries the version its name gives, so the probe reports that
// version as the catalogue's files make it do. A name without one takes the signature the
// file carries, as a probe read back into a file had it; without that too, version 0, which
// the probe reports as unknown: claiming any other version would be a guess.
LogicPlan PlanNamedLogic(const std::filesystem::path& path) {
  LogicPlan plan;
  plan.due = true;
  plan.path = path;
  plan.file = LoadJedecFile(path);
  plan.version = ParseFileNumber(path.extension().string());
  if (plan.version != 0) {
    plan.signature = MakeUserSignatureText(plan.version);
    plan.signatureReason = "the version " + FormatVersion(plan.version) + " of the file's name";
  } else if (plan.file.carriedSignature) {
    plan.signature = *plan.file.carriedSignature;
    plan.version = SignatureLogicVersion(plan.signature);
    plan.signatureReason = "the file itself, whose name carries no version";
  } else {
    plan.signature = MakeUserSignatureText(0);
    plan.signatureReason =
        "the file's name carries no version and the file no signature: version 0, which the "
        "probe reports as unknown";
  }
  return plan;
}

// The data byte an image programs at `address`, if any: records do not share data bytes, but
// a record's padding may fall on the next one's, which then holds what the flash gets.
std::optional<std::uint8_t> ImageByte(const FirmwareImage& image, std::uint32_t address) {
  for (const ImageRecord& record : image.records) {
    if (address >= record.address && address - record.address < record.length)
      return image.Data(record)[address - record.address];
  }
  return std::nullopt;
}

}  // namespace

VersionNumber ImageFirmwareVersion(const FirmwareImage& image) {
  const std::optional<std::uint8_t> high = ImageByte(image, kFirstImageAddress);
  const std::optional<std::uint8_t> low = ImageByte(image, kFirstImageAddress + 1);
  if (!high || !low) return 0;
  return DecodeFirmwareVersion(static_cast<std::uint16_t>(*high << 8 | *low));
}

NewestNumbers FindNewestNumbers(const UpdateCatalogue& catalogue) {
  return {catalogue.FindNewestNumber(kFirmwareBaseName),
          catalogue.FindNewestNumber(kLogicBaseName)};
}

// A kind of file of which none was found is never due: there is nothing to program it with.
bool FirmwareDue(const NewestNumbers& newest, const ProbeIdentity& identity) {
  return newest.firmware != 0 && newest.firmware != identity.firmwareVersion;
}

bool LogicDue(const NewestNumbers& newest, const ProbeIdentity& identity) {
  return newest.logic != 0 && newest.logic != identity.logicVersion;
}

const std::string& UpdatePlan::FirmwareProblem() const {
  return firmware.due ? firmware.image.problem : kNoProblem;
}

const std::string& UpdatePlan::LogicProblem() const {
  return logic.due ? logic.file.problem : kNoProblem;
}

std::string UpdatePlan::FirmwareRefusal() const {
  return FirmwareProblem().empty() ? "" : FileRefusal(firmware.path, FirmwareProblem());
}

std::string UpdatePlan::LogicRefusal() const {
  return LogicProblem().empty() ? "" : FileRefusal(logic.path, LogicProblem());
}

// A refused firmware file stops the update before its first request. A refused logic file
// is refused by the logic part, which still takes the device out of programming mode, as it
// does after any logic failure: something is sent, but nothing is erased or programmed.
std::string UpdatePlan::NothingSentReason() const {
  if (!FirmwareProblem().empty()) return "nothing was sent: " + FirmwareRefusal();
  if (!LogicProblem().empty()) return "nothing was erased or programmed: " + LogicRefusal();
  return "";
}

UpdatePlan PlanUpdate(const UpdateCatalogue& catalogue, const ProbeIdentity& identity,
                      const NewestNumbers& newest) {
  UpdatePlan plan;
  if (FirmwareDue(newest, identity)) plan.firmware = PlanFirmware(catalogue, newest.firmware);
  if (LogicDue(newest, identity)) {
    plan.logic = PlanLogic(catalogue, identity.serialNumber, newest.logic);
  }
  return plan;
}

UpdatePlan PlanNamedUpdate(const NamedUpdateFiles& files) {
  UpdatePlan plan;
  plan.named = true;
  if (!files.firmware.empty()) plan.firmware = PlanNamedFirmware(files.firmware);
  if (!files.logic.empty()) plan.logic = PlanNamedLogic(files.logic);
  return plan;
}

}  // namespace kvx
