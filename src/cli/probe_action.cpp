#include "cli/probe_action.h"

#include "cli/command_report.h"
#include "cli/commands.h"

namespace kvx::cli {

int RunProbeAction(ProbeSession& session, bool json,
                   const std::function<bool(nlohmann::json& results)>& action,
                   const std::function<void()>& printText) {
  const bool connected = session.Connect();
  nlohmann::json results = nlohmann::json::object();
  const bool passed = connected && action(results);
  nlohmann::json outcome = OutcomeJson(session, passed);
  session.Finish();
  if (json) {
    outcome.update(results);
    PrintJson(outcome);
  } else if (connected) {
    printText();
  }
  return passed ? kExitOk : kExitFailure;
}

}  // namespace kvx::cli
