#pragma once

#include <QRect>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <optional>

#include "link/posix/port_name.h"

namespace kvx::qt {

// The settings the program keeps between runs, in an INI file of its own: the recently used
// documents, the main window's position, and which device each COM port stands for.
//
// Section names are written exactly as they are ("[Recent File List]"), not escaped the way
// QSettings writes its own INI files, so the file reads as its users expect.
class PrivateProfile {
 public:
  static constexpr int kRecentFileCount = 4;

  explicit PrivateProfile(const QString& filePath);

  // "<executable base name>.ini" in the user's configuration directory.
  static QString DefaultFilePath();

  QString FilePath() const { return settings_.fileName(); }

  // Newest first, at most kRecentFileCount, no empty entries.
  QStringList RecentFiles() const;
  // "File1" as it stands: empty when it is missing or empty, even if a later entry is not.
  QString MostRecentFile() const;
  // Puts `path` first, dropping an older entry for the same file and the oldest beyond the
  // list's length.
  void AddRecentFile(const QString& path);
  void RemoveRecentFile(const QString& path);

  // The main window's last normal rectangle; nothing when none was stored.
  std::optional<QRect> WindowRect() const;
  void StoreWindowRect(const QRect& rect);

  // The device named for COMn in section "Ports", if any.
  std::optional<std::string> PortDevice(int comNumber) const;

 private:
  void WriteRecentFiles(const QStringList& paths);

  mutable QSettings settings_;
};

}  // namespace kvx::qt
