#pragma once

#include "app/dialog_controls.h"

namespace kvx::test {

// What a user would leave in the Update/Setup dialog: COM1 at 115200 baud and a complete,
// valid network setup.
inline DialogFields ValidFields() {
  DialogFields fields;
  fields.portIndex = 0;
  fields.speedIndex = 4;
  fields.network.probeIpAddress = "10.0.0.1";
  fields.network.hostIpAddress = "10.0.0.2";
  fields.network.subnetMask = "255.255.255.0";
  fields.network.defaultGateway = "10.0.0.254";
  fields.network.configFileName = "kvx7000.cfg";
  return fields;
}

}  // namespace kvx::test
