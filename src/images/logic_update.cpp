#include "images/logic_update.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "images/progress_text.h"
#include "images/user_signature.h"
#include "loader/command_exchange.h"
#include "loader/logic_commands.h"
#include "ui/messages.h"

namespace kvx {

namespace {

constexpr std::uint8_t kExpectedLogicDeviceId = 19;

// The cursor goes off before the box, so the user is not shown a busy program while asked.
bool Report(WaitCursor& cursor, DialogServices& services, const char* text,
            std::string detail = "") {
  cursor.End();
  MessageBox box{text};
  box.detail = std::move(detail);
  services.ShowMessage(box);
  return false;
}

// A failed exchange, shown with what went wrong in it; a stop the user asked for is no
// failure of the probe's, and the caller says it was interrupted.
bool ReportExchange(WaitCursor& cursor, DialogServices& services, const ProbeLink& link) {
  if (link.stopped) {
    cursor.End();
    return false;
  }
  return Report(cursor, services, kCommunicationFailedText, DescribeExchangeFailure(link));
}

bool RunLogicCommand(ProbeLink& link, DialogServices& services, ErrorCode (*command)(ProbeLink&)) {
  WaitCursor cursor(services);
  if (command(link) != kOk) return ReportExchange(cursor, services, link);
  return true;
}

// The count, and the percentage with it, leaves out `row`, the row just sent: the last row
// shows 99 and 100 is never shown.
void ShowRowProgress(DialogServices& services, const char* stem, std::size_t row) {
  const ProgressAmount amount{row, kFuseRowCount, ProgressUnit::kRows};
  services.SetProgress(ProgressText(stem, amount.Percent()), amount);
}

bool IsBitText(const std::string& text) {
  return text.find_first_not_of("01") == std::string::npos;
}

// What a row read back is held to: a message box text for a failure, or none.
using RowCheck = std::function<const char*(std::size_t row, const std::string& programmedReading,
                                           const std::string& erasedReading)>;

// Reads every row at both levels, showing the rows' percentage after `stem`, holds each to
// `check`, then reads the user signature.
bool ReadRowsAndSignature(ProbeLink& link, DialogServices& services, WaitCursor& cursor,
                          const char* stem, const RowCheck& check, std::string& signatureReading) {
  std::string programmedReading;
  std::string erasedReading;
  for (std::size_t row = 0; row < kFuseRowCount; ++row) {
    const ErrorCode result =
        ReadFuseRow(link, static_cast<std::uint8_t>(row), programmedReading, erasedReading);
    ShowRowProgress(services, stem, row);
    if (result != kOk) return ReportExchange(cursor, services, link);
    if (const char* failure = check(row, programmedReading, erasedReading))
      return Report(cursor, services, failure, "fuse row " + std::to_string(row));
  }
  if (ReadUserSignature(link, signatureReading) != kOk)
    return ReportExchange(cursor, services, link);
  return true;
}

}  // namespace

bool BeginLogicIsp(ProbeLink& link, DialogServices& services) {
  return RunLogicCommand(link, services, EnterLogicIsp);
}

bool EndLogicIsp(ProbeLink& link, DialogServices& services) {
  return RunLogicCommand(link, services, LeaveLogicIsp);
}

bool CheckLogicDevice(ProbeLink& link, DialogServices& services) {
  WaitCursor cursor(services);
  std::uint8_t deviceId = 0;
  if (ReadLogicDeviceId(link, deviceId) != kOk) return ReportExchange(cursor, services, link);
  cursor.End();
  if (deviceId != kExpectedLogicDeviceId) {
    MessageBox unknown{kUnknownLogicDeviceText};
    unknown.detail = "the logic device answers with the identifier " + std::to_string(deviceId) +
                     "; the fuse files are made for " + std::to_string(kExpectedLogicDeviceId);
    services.ShowMessage(unknown);
    return false;
  }
  return true;
}

bool EraseLogicDevice(ProbeLink& link, DialogServices& services) {
  services.SetStatus(kLogicErasingText);
  return RunLogicCommand(link, services, EraseLogic);
}

bool ProgramFuseMap(ProbeLink& link, const FuseMap& map, const std::string& signatureText,
                    DialogServices& services) {
  services.SetStatus(kLogicProgrammingText);
  WaitCursor cursor(services);
  for (std::size_t row = 0; row < kFuseRowCount; ++row) {
    const ErrorCode result = ProgramFuseRow(link, static_cast<std::uint8_t>(row), map[row]);
    ShowRowProgress(services, kLogicProgrammingText, row);
    if (result != kOk) return ReportExchange(cursor, services, link);
  }
  if (ProgramUserSignature(link, EncodeUserSignature(signatureText)) != kOk)
    return ReportExchange(cursor, services, link);
  return true;
}

bool VerifyFuseMap(ProbeLink& link, const FuseMap& map, const std::string& signatureText,
                   DialogServices& services) {
  services.SetStatus(kLogicVerifyingText);
  WaitCursor cursor(services);
  const auto compare = [&map](std::size_t row, const std::string& programmedReading,
                              const std::string& erasedReading) -> const char* {
    if (programmedReading != map[row]) return kProgrammedVerifyFailedText;
    if (erasedReading != map[row]) return kErasedVerifyFailedText;
    return nullptr;
  };
  std::string signatureReading;
  if (!ReadRowsAndSignature(link, services, cursor, kLogicVerifyingText, compare, signatureReading))
    return false;
  if (signatureReading != EncodeUserSignature(signatureText))
    return Report(cursor, services, kSignatureVerifyFailedText);
  return true;
}

bool ReadFuseMap(ProbeLink& link, FuseMap& map, std::string& signatureBits,
                 DialogServices& services) {
  services.SetStatus(kLogicReadingText);
  WaitCursor cursor(services);
  // A reading of anything but fuses is no answer the device gives; kept, it would make a
  // file that cannot be read back.
  const auto keep = [&map](std::size_t row, const std::string& programmedReading,
                           const std::string&) -> const char* {
    if (!IsBitText(programmedReading)) return kCommunicationFailedText;
    map[row] = programmedReading;
    return nullptr;
  };
  if (!ReadRowsAndSignature(link, services, cursor, kLogicReadingText, keep, signatureBits))
    return false;
  if (!IsBitText(signatureBits)) {
    return Report(cursor, services, kCommunicationFailedText,
                  "the user signature read back holds characters other than 0 and 1");
  }
  services.SetStatus(std::string(kLogicReadingText) + " passed!");
  return true;
}

bool RunLogicUpdate(ProbeLink& link, const JedecFile& file, const std::string& signatureText,
                    DialogServices& services, const PartChangeReport& report) {
  bool passed = ReadJedecFile(file, services) && BeginLogicIsp(link, services) &&
                CheckLogicDevice(link, services);
  if (passed) {
    ReportChange(report, ProbePart::kLogic, PartChange::kChanging);
    passed = EraseLogicDevice(link, services) &&
             ProgramFuseMap(link, file.map, signatureText, services) &&
             VerifyFuseMap(link, file.map, signatureText, services);
  }
  if (passed) ReportChange(report, ProbePart::kLogic, PartChange::kWritten);
  EndLogicIsp(link, services);
  return passed;
}

bool RunLogicErase(ProbeLink& link, DialogServices& services, const PartChangeReport& report) {
  bool passed = BeginLogicIsp(link, services) && CheckLogicDevice(link, services);
  if (passed) {
    ReportChange(report, ProbePart::kLogic, PartChange::kErasing);
    passed = EraseLogicDevice(link, services);
    if (passed) ReportChange(report, ProbePart::kLogic, PartChange::kErased);
  }
  EndLogicIsp(link, services);
  return passed;
}

}  // namespace kvx
