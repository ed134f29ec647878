#pragma once

#include <QSettings>

namespace kvx::qt {

// A QSettings format for classic INI files: "[Section]" headers and "key=value" lines kept
// exactly as written, section names with spaces included. Registered once.
QSettings::Format ClassicIniFormat();

}  // namespace kvx::qt
