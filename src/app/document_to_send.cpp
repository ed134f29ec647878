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

DocumentToSend ReadDocumentToSend(const std::string& path) {
  DocumentToSend read;
  read.read = LoadSetupDocument(path, read.document);
  read.empty = read.read.ok && !read.document.fileVersion;
  return read;
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
