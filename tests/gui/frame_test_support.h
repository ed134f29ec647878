#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <vector>

#include "app/qt/user_dialogs.h"

namespace kvx::qt {

// Answers the window's dialogs from a script and remembers every message box, so no test
// ever waits for a click.
class ScriptedDialogs {
 public:
  std::vector<FrameMessage> messages;
  std::deque<QMessageBox::StandardButton> answers;  // then Ok for every further box
  std::deque<QString> chosenFiles;                  // then Cancel for every further file dialog
  SetupDialogRunner runSetupDialog = [](const DialogFields&) { return std::nullopt; };

  UserDialogs Dialogs() {
    return {[this](const FrameMessage& message) {
              messages.push_back(message);
              return Next(answers, QMessageBox::Ok);
            },
            [this](FileDialogKind, const QString&) { return Next(chosenFiles, QString()); },
            [this](const DialogFields& fields) { return runSetupDialog(fields); }};
  }

  QStringList Texts() const {
    QStringList texts;
    for (const FrameMessage& message : messages) texts.append(message.text);
    return texts;
  }

 private:
  template <typename T>
  static T Next(std::deque<T>& script, T otherwise) {
    if (script.empty()) return otherwise;
    T next = script.front();
    script.pop_front();
    return next;
  }
};

inline QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

}  // namespace kvx::qt
