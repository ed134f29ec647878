#include "app/qt/kvx_application.h"

#include <QFileInfo>
#include <utility>

namespace kvx::qt {

namespace {

constexpr QFileDevice::Permissions kAnyWrite =
    QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

}  // namespace

QString CommandLineDocument(const QStringList& arguments) {
  return arguments.mid(1).join(' ');
}

bool ReopenableAtStart(const QString& path) {
  const QFileInfo file(path);
  return !path.isEmpty() && file.isFile() && file.isReadable() && file.isWritable() &&
         (file.permissions() & kAnyWrite);
}

KvxApplication::KvxApplication(PrivateProfile& profile, UserDialogs dialogs)
    : profile_(profile),
      dialogs_(std::move(dialogs)),
      document_(dialogs_.showMessage),
      commands_(document_, profile_, dialogs_) {}

KvxApplication::~KvxApplication() = default;

bool KvxApplication::InitInstance(const QStringList& arguments) {
  if (!OpenStartupDocument(arguments)) return false;
  frame_ = std::make_unique<CMainFrame>(document_, commands_, profile_, dialogs_);
  frame_->show();
  return true;
}

bool KvxApplication::OpenStartupDocument(const QStringList& arguments) {
  const QString commandLine = CommandLineDocument(arguments);
  if (!commandLine.isEmpty()) return commands_.OpenDocumentFile(commandLine);

  const QString mostRecent = profile_.MostRecentFile();
  if (!ReopenableAtStart(mostRecent) || !document_.OpenDocument(mostRecent)) {
    document_.NewDocument();
  }
  return true;
}

}  // namespace kvx::qt
