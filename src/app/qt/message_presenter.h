#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

#include "ui/dialog_services.h"

class QWidget;

namespace kvx::qt {

// One message box of the main window or the document: what it says and how it asks. Unlike
// the probe procedures' boxes, these name files (any characters), offer Cancel, and can say why.
struct FrameMessage {
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  QString detail;  // why, for the box's details; empty for none
  QString caption = kApplicationTitle;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;  // none: Qt's choice
};

// A QMessageBox for `message` over `owner`, and the button the user chose.
QMessageBox::StandardButton ExecMessageBox(QWidget* owner, const FrameMessage& message);

// Shows a message box over `owner` and waits for its answer. The window uses QMessageBox;
// tests record the box and answer from a script instead.
using MessagePresenter = std::function<MessageAnswer(QWidget* owner, const MessageBox& message)>;

// The same for a probe procedure's message: its caption, icon and buttons.
MessageAnswer ShowMessageBox(QWidget* owner, const MessageBox& message);

}  // namespace kvx::qt
