#include "cli/commands.h"

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "link/serial_port.h"
#include "setup/setup_block.h"

namespace kvx::cli {

namespace {

std::string UsbText(const UsbDescription& usb) {
  std::string text = usb.vendorId + ":" + usb.productId;
  for (const std::string* part : {&usb.manufacturer, &usb.product}) {
    if (!part->empty()) text += " " + *part;
  }
  if (!usb.serialNumber.empty()) text += " (serial " + usb.serialNumber + ")";
  return text;
}

// "0403:6001 FTDI FT232R USB UART (serial A1), ftdi_sio, latency timer 16 ms, set by
// KVXSETUP_COM1": what is known, in that order.
std::string Describe(const SerialPortInfo& port) {
  std::string text;
  const auto add = [&text](const std::string& part) {
    if (!part.empty()) text += (text.empty() ? "" : ", ") + part;
  };
  if (port.usb) text = UsbText(*port.usb);
  add(port.driver);
  add(LatencyTimerNote(port));
  if (!port.setBy.empty()) add("set by " + port.setBy);
  return text;
}

void PrintText(std::FILE* out, const std::vector<SerialPortInfo>& ports) {
  if (ports.empty()) {
    std::fprintf(out, "No serial ports found.\n");
    return;
  }
  // A device names itself, and the environment names devices: both reach the terminal escaped.
  for (const SerialPortInfo& port : ports) {
    std::fprintf(out, "%-6s %-16s %s\n", port.comName.c_str(), EscapedText(port.devicePath).c_str(),
                 EscapedText(Describe(port)).c_str());
    for (const std::string& name : port.stableNames) {
      std::fprintf(out, "%-6s %-16s   %s\n", "", "", EscapedText(name).c_str());
    }
  }
}

void PrintJson(std::FILE* out, const std::vector<SerialPortInfo>& ports) {
  nlohmann::json list = nlohmann::json::array();
  for (const SerialPortInfo& port : ports) {
    nlohmann::json entry = {
        {"com", port.comName.empty() ? nlohmann::json() : nlohmann::json(port.comName)},
        {"name", port.name},
        {"device", port.devicePath},
        {"driver", port.driver},
        {"byId", port.stableNames}};
    if (port.latencyTimerMs) entry["latencyTimerMs"] = *port.latencyTimerMs;
    if (!port.setBy.empty()) entry["setBy"] = port.setBy;
    if (port.usb) {
      entry["usb"] = {{"vendorId", port.usb->vendorId},
                      {"productId", port.usb->productId},
                      {"manufacturer", port.usb->manufacturer},
                      {"product", port.usb->product},
                      {"serialNumber", port.usb->serialNumber}};
    }
    list.push_back(entry);
  }
  const std::string text = list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::fprintf(out, "%s\n", text.c_str());
}

}  // namespace

int RunPorts(const PortsRequest& request, const CommandIo& io) {
  const std::vector<SerialPortInfo> ports = ListPortsPresent();
  if (request.json) {
    PrintJson(io.out, ports);
  } else {
    PrintText(io.out, ports);
  }
  return kExitOk;
}

void AddPortsCommand(CLI::App& app, const CommandIo& io, int& exitStatus) {
  auto request = std::make_shared<PortsRequest>();
  CLI::App* command = app.add_subcommand("ports", "List the serial ports present");
  command->add_flag("--json", request->json, "Print the list as one JSON array");
  command->callback([request, &io, &exitStatus] { exitStatus = RunPorts(*request, io); });
}

}  // namespace kvx::cli
