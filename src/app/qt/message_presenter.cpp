#include "app/qt/message_presenter.h"

#include <QMessageBox>

namespace kvx::qt {

QMessageBox::StandardButton ExecMessageBox(QWidget* owner, const FrameMessage& message) {
  QMessageBox box(message.icon, message.caption, message.text, message.buttons, owner);
  if (!message.detail.isEmpty()) box.setDetailedText(message.detail);
  if (message.defaultButton != QMessageBox::NoButton) box.setDefaultButton(message.defaultButton);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

MessageAnswer ShowMessageBox(QWidget* owner, const MessageBox& message) {
  FrameMessage box;
  box.text = QString::fromLatin1(message.text);
  box.caption = QString::fromLatin1(message.caption);
  // Reasons name files and devices, whose names are the user's own bytes.
  box.detail = QString::fromLocal8Bit(message.detail);
  box.icon = message.icon == MessageIcon::kExclamation ? QMessageBox::Warning : QMessageBox::NoIcon;
  box.buttons = message.buttons == MessageButtons::kYesNo
                    ? QMessageBox::Yes | QMessageBox::No
                    : QMessageBox::StandardButtons(QMessageBox::Ok);
  if (message.defaultAnswer == MessageAnswer::kNo) box.defaultButton = QMessageBox::No;
  if (message.defaultAnswer == MessageAnswer::kYes) box.defaultButton = QMessageBox::Yes;
  switch (ExecMessageBox(owner, box)) {
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
