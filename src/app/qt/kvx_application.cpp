#include "app/qt/kvx_application.h"

#include <utility>

#include "app/qt/user_dialogs.h"

namespace kvx::qt {

KvxApplication::KvxApplication(Profile& profile, UpdateFolder& updateFolder, UserDialogs dialogs)
    : profile_(profile),
      dialogs_(std::move(dialogs)),
      recentFiles_(profile_),
      document_(dialogs_.showMessage),
      fastUpdate_(profile_),
      commands_(document_, recentFiles_, updateFolder, fastUpdate_, dialogs_) {}

KvxApplication::~KvxApplication() = default;

bool KvxApplication::InitInstance(const QStringList& arguments) {
  std::vector<std::string> narrow;
  for (const QString& argument : arguments) narrow.push_back(ToPath(argument));
  if (!commands_.OpenStartupDocument(CommandLineDocument(narrow))) return false;
  frame_ = std::make_unique<CMainFrame>(document_, commands_, recentFiles_, profile_);
  frame_->show();
  return true;
}

}  // namespace kvx::qt
