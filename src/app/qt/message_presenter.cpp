#include "app/qt/message_presenter.h"

#include <QMessageBox>

namespace kvx::qt {

namespace {

QMessageBox::StandardButtons ButtonsOf(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::kYesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    default:
      return QMessageBox::Ok;
  }
}

QMessageBox::StandardButton ButtonOf(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::kYes:
      return QMessageBox::Yes;
    case MessageAnswer::kNo:
      return QMessageBox::No;
    case MessageAnswer::kCancel:
      return QMessageBox::Cancel;
    default:
      return QMessageBox::Ok;
  }
}

// A box closed without a choice answers as its last button does.
MessageAnswer AnswerOf(QMessageBox::StandardButton button, MessageButtons buttons) {
  switch (button) {
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    case QMessageBox::Ok:
      return MessageAnswer::kAccepted;
    default:
      return ClosedBoxAnswer(buttons);
  }
}

}  // namespace

MessageAnswer ShowMessageBox(QWidget* owner, const MessageBox& message) {
  // Texts may name files and devices, whose names are the user's own bytes.
  QMessageBox box(
      message.icon == MessageIcon::kExclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
      QString::fromLocal8Bit(message.caption), QString::fromLocal8Bit(message.text),
      ButtonsOf(message.buttons), owner);
  if (const std::string detail = DetailWithAdvice(message); !detail.empty())
    box.setDetailedText(QString::fromLocal8Bit(detail));
  if (message.defaultAnswer) box.setDefaultButton(ButtonOf(*message.defaultAnswer));
  return AnswerOf(static_cast<QMessageBox::StandardButton>(box.exec()), message.buttons);
}

}  // namespace kvx::qt
