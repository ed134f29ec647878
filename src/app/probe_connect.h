#pragma once

#include <functional>

#include "link/chosen_port.h"
#include "link/error_code.h"
#include "link/probe_link.h"
#include "loader/probe_identity.h"

namespace kvx {

inline constexpr int kConnectAttempts = 10;

enum class ConnectOutcome {
  kConnected,      // the link is open and `identity` holds the probe's answer
  kCannotConnect,  // no start-up and identity query succeeded in any attempt
  kNoProbe,        // something answered, but with loader version 0
};

// Connects on `port` at the rate of the Speed list entry `speedIndex`.
ErrorCode OpenProbeLink(ProbeLink& link, const ChosenPort& port, int speedIndex);

// Opens the link with `openLink` and reads the identity, in up to kConnectAttempts attempts,
// closing the link after each failed one; a stop the user asked for ends the attempts. The MAC text
// follows every identity query. Unless the outcome is kConnected the link is closed afterwards.
ConnectOutcome ConnectToProbe(ProbeLink& link, const std::function<ErrorCode()>& openLink,
                              ProbeIdentity& identity);

// The message for a failed outcome ("" for kConnected).
const char* ConnectFailureText(ConnectOutcome outcome);

}  // namespace kvx
