#include "app/qt/message_presenter.h"

#include <QMessageBox>

namespace kvx::qt {

MessageAnswer ShowMessageBox(QWidget* owner, const MessageBox& message) {
  const QMessageBox::Icon icon =
      message.icon == MessageIcon::kExclamation ? QMessageBox::Warning : QMessageBox::NoIcon;
  const QMessageBox::StandardButtons buttons = message.buttons == MessageButtons::kYesNo
                                                   ? QMessageBox::Yes | QMessageBox::No
                                                   : QMessageBox::StandardButtons(QMessageBox::Ok);
  QMessageBox box(icon, QString::fromLatin1(message.caption), QString::fromLatin1(message.text),
                  buttons, owner);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    default:
      return message.buttons == MessageButtons::kYesNo ? MessageAnswer::kNo
                                                       : MessageAnswer::kAccepted;
  }
}

}  // namespace kvx::qt
