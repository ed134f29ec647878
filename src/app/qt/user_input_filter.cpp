#include "app/qt/user_input_filter.h"

#include <QCoreApplication>
#include <QEvent>

namespace kvx::qt {

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool UserInputFilter::eventFilter(QObject* watched, QEvent* event) {
  if (pauses_ == 0 && IsUserInput(event->type())) {
    // A close request counts as granted unless refused.
    if (event->type() == QEvent::Close) event->ignore();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

UserInputBlocked::UserInputBlocked(UserInputFilter& filter) : filter_(filter) {
  QCoreApplication::instance()->installEventFilter(&filter_);
}

UserInputBlocked::~UserInputBlocked() {
  QCoreApplication::instance()->removeEventFilter(&filter_);
}

}  // namespace kvx::qt
