#include "app/qt/ini_format.h"

#include <QIODevice>
#include <QTextStream>

namespace kvx::qt {

namespace {

// Keys are "Section/key"; a section holds everything up to the last slash.
bool ReadIni(QIODevice& device, QSettings::SettingsMap& map) {
  QTextStream in(&device);
  QString section;
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.isEmpty() || line.startsWith(';')) continue;
    if (line.startsWith('[') && line.endsWith(']')) {
      section = line.mid(1, line.size() - 2).trimmed();
      continue;
    }
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0) continue;
    map.insert(section + '/' + line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
  }
  return true;
}

bool WriteIni(QIODevice& device, const QSettings::SettingsMap& map) {
  QTextStream out(&device);
  QString section;
  bool first = true;
  for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
    const qsizetype slash = entry.key().lastIndexOf('/');
    const QString entrySection = entry.key().left(slash);
    if (first || entrySection != section) {
      if (!first) out << '\n';
      out << '[' << entrySection << "]\n";
      section = entrySection;
      first = false;
    }
    out << entry.key().mid(slash + 1) << '=' << entry.value().toString() << '\n';
  }
  return out.status() == QTextStream::Ok;
}

}  // namespace

QSettings::Format ClassicIniFormat() {
  static const QSettings::Format format = QSettings::registerFormat("ini", ReadIni, WriteIni);
  return format;
}

}  // namespace kvx::qt
