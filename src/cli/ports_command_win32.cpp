#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/exit_status.h"
#include "cli/ports_command.h"
#include "link/win32/port_list.h"

namespace kvx::cli {

namespace {

void PrintText(const std::vector<Win32PortInfo>& ports) {
  if (ports.empty()) {
    std::printf("No serial ports found.\n");
    return;
  }
  for (const Win32PortInfo& port : ports) {
    std::printf("%-8s %s\n", port.name.c_str(), port.kernelName.c_str());
  }
}

void PrintJson(const std::vector<Win32PortInfo>& ports) {
  nlohmann::json list = nlohmann::json::array();
  for (const Win32PortInfo& port : ports) {
    list.push_back({{"name", port.name}, {"device", port.device}, {"driver", port.kernelName}});
  }
  const std::string text = list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::printf("%s\n", text.c_str());
}

}  // namespace

void AddPortsCommand(CLI::App& app, int& exitStatus) {
  auto json = std::make_shared<bool>(false);
  CLI::App* command = app.add_subcommand("ports", "List the serial ports present");
  command->add_flag("--json", *json, "Print the list as one JSON array");
  command->callback([json, &exitStatus] {
    const std::vector<Win32PortInfo> ports = ListWin32SerialPorts();
    if (*json) {
      PrintJson(ports);
    } else {
      PrintText(ports);
    }
    exitStatus = kExitOk;
  });
}

}  // namespace kvx::cli
