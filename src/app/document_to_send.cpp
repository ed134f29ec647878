#include "app/document_to_send.h"

#include "app/dialog_controls.h"

namespace kvx {

namespace {

struct CheckedText {
  std::string NetworkSetupTexts::*member;
  TextCheck check;
};

const CheckedText kCheckedTexts[] = {
    {&NetworkSetupTexts::probeIpAddress, AddressTextProblem},
    {&NetworkSetupTexts::subnetMask, AddressTextProblem},
    {&NetworkSetupTexts::defaultGateway, AddressTextProblem},
    {&NetworkSetupTexts::hostIpAddress, AddressTextProblem},
    {&NetworkSetupTexts::configFileName, ConfigFileNameProblem},
};

}  // namespace

Result<DocumentToSend> ReadDocumentToSend(const std::string& path) {
  Result<SetupDocument> read = LoadSetupDocument(path);
  if (!read) return read.failure();
  const bool empty = !read->fileVersion;
  return DocumentToSend{std::move(read).value(), empty};
}

void PutGivenTexts(const std::vector<GivenText>& given, NetworkSetupTexts& texts) {
  for (const GivenText& text : given) texts.*text.member = text.text;
}

std::optional<TextProblem> FirstTextProblem(const NetworkSetupTexts& texts) {
  for (const CheckedText& checked : kCheckedTexts) {
    if (std::optional<std::string> problem = checked.check(texts.*checked.member)) {
      return TextProblem{checked.member, *problem};
    }
  }
  return std::nullopt;
}

std::optional<std::string> DocumentPort(const SetupDocument& document) {
  if (document.portIndex < 0 || document.portIndex >= kPortListEntries) return std::nullopt;
  return "COM" + std::to_string(document.portIndex + 1);
}

}  // namespace kvx
