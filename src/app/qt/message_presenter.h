#pragma once

#include <functional>

#include "ui/dialog_services.h"

class QWidget;

namespace kvx::qt {

// Shows a message box over `owner` and waits for its answer. The window uses QMessageBox;
// tests record the box and answer from a script instead.
using MessagePresenter = std::function<MessageAnswer(QWidget* owner, const MessageBox& message)>;

// A QMessageBox for `message` over `owner`: its caption, icon, buttons, default button and
// reason, and the answer the user gave.
MessageAnswer ShowMessageBox(QWidget* owner, const MessageBox& message);

}  // namespace kvx::qt
