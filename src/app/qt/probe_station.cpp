#include "app/qt/probe_station.h"

#include <QCoreApplication>
#include <utility>

namespace kvx::qt {

namespace {

void HandleWindowEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace

ProbeStation::ProbeStation(PortNameLookup configuredPort, std::filesystem::path updateDirectory)
    : port_(std::move(configuredPort)),
      channel_(port_, HandleWindowEvents),
      link_(channel_),
      updateDirectory_(std::move(updateDirectory)) {}

}  // namespace kvx::qt
