#include "app/qt/kvxhs_doc.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <tuple>
#include <utility>

#include "app/document_archive.h"

namespace kvx::qt {

namespace {

constexpr char kFailedToSaveDocument[] = "Failed to save document.";

DialogFields ToDialogFields(const SetupDocument& settings) {
  return {settings.portIndex,     settings.speedIndex,     settings.probeIpAddress,
          settings.hostIpAddress, settings.configFileName, settings.subnetMask,
          settings.defaultGateway};
}

// Speed first, then port, then the texts byte for byte: letter case counts.
bool SameAsDialog(const SetupDocument& settings, const DialogFields& fields) {
  return std::tie(settings.speedIndex, settings.portIndex, settings.probeIpAddress,
                  settings.hostIpAddress, settings.configFileName, settings.subnetMask,
                  settings.defaultGateway) ==
         std::tie(fields.speedIndex, fields.portIndex, fields.probeIpAddress, fields.hostIpAddress,
                  fields.configFileName, fields.subnetMask, fields.defaultGateway);
}

void CopyFromDialog(const DialogFields& fields, SetupDocument& settings) {
  settings.speedIndex = fields.speedIndex;
  settings.portIndex = fields.portIndex;
  settings.probeIpAddress = fields.probeIpAddress;
  settings.hostIpAddress = fields.hostIpAddress;
  settings.configFileName = fields.configFileName;
  settings.subnetMask = fields.subnetMask;
  settings.defaultGateway = fields.defaultGateway;
}

// Replaces `path` with `bytes` in one step; why it failed, or empty. Unbuffered, because a
// buffered QSaveFile commits a write the disk cut short (full, or over a size limit) as if it
// were whole; unbuffered, the short count shows here and the old file stays.
QString WriteWholeFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
    return QStringLiteral("the document could not be written whole");
  }
  if (!file.commit()) return file.errorString();
  return {};
}

}  // namespace

CKvxhsDoc::CKvxhsDoc(FrameMessagePresenter showMessage, QObject* parent)
    : QObject(parent), showMessage_(std::move(showMessage)) {}

QString CKvxhsDoc::Title() const {
  return pathName_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(pathName_).fileName();
}

QString CKvxhsDoc::WindowTitle() const {
  return Title() + QStringLiteral(" - kvxGDB");
}

void CKvxhsDoc::ResetToDefaults() {
  const std::optional<std::uint16_t> fileVersion = settings_.fileVersion;
  settings_ = SetupDocument{};
  settings_.fileVersion = fileVersion;
}

void CKvxhsDoc::NewDocument() {
  ResetToDefaults();
  SetPathAndModified(QString(), false);
}

bool CKvxhsDoc::OpenDocument(const QString& path) {
  ResetToDefaults();
  const DocumentReadResult result =
      LoadSetupDocument(QFile::encodeName(path).toStdString(), settings_);
  if (!result.ok) {
    NewDocument();
    ReportFailure(QString::fromStdString(result.message), QString::fromStdString(result.detail));
    return false;
  }
  SetPathAndModified(QFileInfo(path).absoluteFilePath(), false);
  return true;
}

bool CKvxhsDoc::SaveDocument(const QString& path) {
  const std::optional<std::vector<std::uint8_t>> bytes = WriteSetupDocument(settings_);
  const QString failure =
      bytes ? WriteWholeFile(path, *bytes)
            : QStringLiteral("a text is longer than %1 characters").arg(kLongestArchiveText);
  if (!failure.isEmpty()) {
    ReportFailure(kFailedToSaveDocument, path + QStringLiteral(": ") + failure);
    return false;
  }
  SetPathAndModified(QFileInfo(path).absoluteFilePath(), false);
  return true;
}

void CKvxhsDoc::SetupCommand(const SetupDialogRunner& runSetupDialog) {
  const std::optional<DialogFields> fields = runSetupDialog(ToDialogFields(settings_));
  if (!fields || SameAsDialog(settings_, *fields)) return;
  CopyFromDialog(*fields, settings_);
  SetPathAndModified(pathName_, true);
}

void CKvxhsDoc::SetPathAndModified(const QString& pathName, bool modified) {
  pathName_ = pathName;
  modified_ = modified;
  emit StateChanged();
}

void CKvxhsDoc::ReportFailure(const QString& text, const QString& detail) {
  showMessage_({text, QMessageBox::Warning, QMessageBox::Ok, detail});
}

}  // namespace kvx::qt
