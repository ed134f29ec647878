#include "app/qt/probe_station.h"

#include <QCoreApplication>
#include <utility>

#include "app/probe_connect.h"

namespace kvx::qt {

namespace {

void HandleWindowEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace

ProbeStation::ProbeStation(PortNameLookup configuredPort, std::filesystem::path updateDirectory)
    : configuredPort_(std::move(configuredPort)),
      channel_(port_, HandleWindowEvents),
      link_(channel_),
      updateDirectory_(std::move(updateDirectory)) {}

ErrorCode ProbeStation::OpenLink(const DialogFields& fields) {
  if (fields.portIndex < 0 || fields.portIndex >= kPortListEntries) return kErrPort;
  return OpenProbeLink(link_, ResolveComPort(fields.portIndex + 1, configuredPort_),
                       fields.speedIndex);
}

}  // namespace kvx::qt
