#pragma once

#include <functional>
#include <nlohmann/json.hpp>

#include "cli/probe_session.h"

namespace kvx::cli {

// Runs one probe action the way every probe command does: connect, run `action`, end like
// OK, then report. `action` returns whether it passed and may add its own results to the
// JSON object. With `json` standard output gets one object, the outcome of OutcomeJson()
// and the action's additions, also when connecting failed; otherwise `printText` writes the
// plain-text report once the action has run, whatever its result. Returns the exit status.
int RunProbeAction(ProbeSession& session, bool json,
                   const std::function<bool(nlohmann::json& results)>& action,
                   const std::function<void()>& printText);

}  // namespace kvx::cli
