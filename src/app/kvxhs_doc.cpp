#include "app/kvxhs_doc.h"

#include <tuple>
#include <utility>

#include "app/document_archive.h"
#include "app/document_file.h"
#include "ui/messages.h"

namespace kvx {

namespace {

DialogFields ToDialogFields(const SetupDocument& settings) {
  return {settings.portIndex, settings.speedIndex, settings.network};
}

// Speed first, then port, then the texts byte for byte: letter case counts.
bool SameAsDialog(const SetupDocument& settings, const DialogFields& fields) {
  return std::tie(settings.speedIndex, settings.portIndex, settings.network) ==
         std::tie(fields.speedIndex, fields.portIndex, fields.network);
}

void CopyFromDialog(const DialogFields& fields, SetupDocument& settings) {
  settings.speedIndex = fields.speedIndex;
  settings.portIndex = fields.portIndex;
  settings.network = fields.network;
}

}  // namespace

std::string CKvxhsDoc::Title() const {
  return pathName_.empty() ? kUntitled : FileNameOf(pathName_);
}

std::string CKvxhsDoc::WindowTitle() const {
  return Title() + " - " + kFrameTitle;
}

void CKvxhsDoc::ResetToDefaults() {
  const std::optional<std::uint16_t> fileVersion = settings_.fileVersion;
  settings_ = SetupDocument{};
  settings_.fileVersion = fileVersion;
}

void CKvxhsDoc::NewDocument() {
  ResetToDefaults();
  SetPathAndModified({}, false);
}

bool CKvxhsDoc::OpenDocument(const std::string& path) {
  Result<SetupDocument> loaded = LoadSetupDocument(path);
  if (!loaded) {
    // A file that ends early was the document's once its reading began, and leaves a new one;
    // a file that cannot be read at all leaves the open document as it was.
    if (loaded.failure().text == kUnexpectedFileFormat) {
      settings_ = SetupDocument{};
      NewDocument();
    }
    ReportFailure(loaded.failure().text, loaded.failure().detail);
    return false;
  }
  settings_ = std::move(loaded).value();
  SetPathAndModified(AbsoluteFilePath(path), false);
  return true;
}

bool CKvxhsDoc::SaveDocument(const std::string& path) {
  const Result<std::vector<std::uint8_t>> bytes = WriteSetupDocument(settings_);
  const Result<void> saved = bytes ? ReplaceFileContent(path, *bytes) : bytes.failure();
  if (!saved) {
    ReportFailure(kFailedToSaveDocument, path + ": " + saved.failure().text);
    return false;
  }
  SetPathAndModified(AbsoluteFilePath(path), false);
  return true;
}

void CKvxhsDoc::SetupCommand(const SetupDialogRunner& runSetupDialog) {
  const std::optional<DialogFields> fields = runSetupDialog(ToDialogFields(settings_));
  if (!fields || SameAsDialog(settings_, *fields)) return;
  CopyFromDialog(*fields, settings_);
  modified_ = true;
}

void CKvxhsDoc::SetPathAndModified(const std::string& pathName, bool modified) {
  pathName_ = pathName;
  modified_ = modified;
}

void CKvxhsDoc::ReportFailure(const std::string& text, const std::string& detail) {
  showMessage_(MessageBox{text, kApplicationTitle, MessageIcon::kExclamation,
                          MessageButtons::kOkOnly, std::nullopt, detail});
}

}  // namespace kvx
