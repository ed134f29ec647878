#include "app/qt/private_profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/qt/ini_format.h"

namespace kvx::qt {

namespace {

constexpr char kRecentFileSection[] = "Recent File List";
constexpr char kWindowPosSection[] = "WindowPos";
constexpr char kPortsSection[] = "Ports";
// What a position key holds when nothing was stored.
constexpr int kNoPosition = 0xFFFF;

QString Key(const char* section, const QString& key) {
  return QString::fromLatin1(section) + '/' + key;
}

QString RecentFileKey(int number) {
  return Key(kRecentFileSection, QStringLiteral("File%1").arg(number));
}

QString SameFileForm(const QString& path) {
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

PrivateProfile::PrivateProfile(const QString& filePath) : settings_(filePath, ClassicIniFormat()) {}

QString PrivateProfile::DefaultFilePath() {
  const QString directory = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const QString baseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  return QDir(directory).filePath(baseName + QStringLiteral(".ini"));
}

QStringList PrivateProfile::RecentFiles() const {
  QStringList paths;
  for (int number = 1; number <= kRecentFileCount; ++number) {
    const QString path = settings_.value(RecentFileKey(number)).toString();
    if (!path.isEmpty()) paths.append(path);
  }
  return paths;
}

QString PrivateProfile::MostRecentFile() const {
  return settings_.value(RecentFileKey(1)).toString();
}

void PrivateProfile::AddRecentFile(const QString& path) {
  QStringList paths = RecentFiles();
  paths.removeAll(SameFileForm(path));
  paths.prepend(SameFileForm(path));
  WriteRecentFiles(paths.mid(0, kRecentFileCount));
}

void PrivateProfile::RemoveRecentFile(const QString& path) {
  QStringList paths = RecentFiles();
  paths.removeAll(path);
  WriteRecentFiles(paths);
}

void PrivateProfile::WriteRecentFiles(const QStringList& paths) {
  for (int number = 1; number <= kRecentFileCount; ++number) {
    if (number <= paths.size()) {
      settings_.setValue(RecentFileKey(number), paths[number - 1]);
    } else {
      settings_.remove(RecentFileKey(number));
    }
  }
  settings_.sync();
}

std::optional<QRect> PrivateProfile::WindowRect() const {
  const auto position = [this](const char* key, int fallback) {
    return settings_.value(Key(kWindowPosSection, key), fallback).toInt();
  };
  if (position("leftPos", kNoPosition) == kNoPosition) return std::nullopt;
  // Right and bottom lie just outside the rectangle, as the window system counts them.
  return QRect(QPoint(position("leftPos", 0), position("topPos", 0)),
               QPoint(position("rightPos", 0) - 1, position("bottomPos", 0) - 1));
}

void PrivateProfile::StoreWindowRect(const QRect& rect) {
  settings_.setValue(Key(kWindowPosSection, "leftPos"), rect.left());
  settings_.setValue(Key(kWindowPosSection, "topPos"), rect.top());
  settings_.setValue(Key(kWindowPosSection, "rightPos"), rect.right() + 1);
  settings_.setValue(Key(kWindowPosSection, "bottomPos"), rect.bottom() + 1);
  settings_.sync();
}

std::optional<std::string> PrivateProfile::PortDevice(int comNumber) const {
  const QString device =
      settings_.value(Key(kPortsSection, QStringLiteral("COM%1").arg(comNumber))).toString();
  if (device.isEmpty()) return std::nullopt;
  return device.toStdString();
}

}  // namespace kvx::qt
