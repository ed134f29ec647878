#include "app/probe_connect.h"

#include "app/dialog_controls.h"
#include "link/channel_ops.h"
#include "link/link_startup.h"
#include "loader/version_text.h"
#include "ui/messages.h"

namespace kvx {

ErrorCode OpenProbeLink(ProbeLink& link, const ChosenPort& port, int speedIndex) {
  return ConnectProbeLink(link, port, SpeedIndexRate(speedIndex));
}

ConnectOutcome ConnectToProbe(ProbeLink& link, const std::function<ErrorCode()>& openLink,
                              ProbeIdentity& identity) {
  ErrorCode result = kErrNotConnected;
  for (int attempt = 1; attempt <= kConnectAttempts; ++attempt) {
    result = openLink();
    if (result == kOk) {
      result = QueryIdentity(link, identity);
      identity.macAddressText = MakeMacAddressText(identity.serialNumber);
    }
    if (result == kOk || link.stopped) break;
    CloseProbeLink(link);
  }
  if (result == kOk && identity.loaderVersion != 0) return ConnectOutcome::kConnected;
  CloseProbeLink(link);
  return result == kOk ? ConnectOutcome::kNoProbe : ConnectOutcome::kCannotConnect;
}

const char* ConnectFailureText(ConnectOutcome outcome) {
  switch (outcome) {
    case ConnectOutcome::kCannotConnect:
      return kCannotConnectText;
    case ConnectOutcome::kNoProbe:
      return kNoProbeText;
    case ConnectOutcome::kConnected:
      break;
  }
  return "";
}

}  // namespace kvx
