#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "os/result.h"
#include "setup/setup_block.h"

namespace kvx {

// One probe's network setup, as a row of a settings table lists it.
struct ProbeSettings {
  std::string serial;  // as the probe reports it at Connect
  NetworkSetupTexts texts;
  int line = 0;  // the row's line in the file, counted from 1
};

// The network setups of many probes, each found by its serial number, so one settings file
// can set up a whole batch of probes.
class SettingsTable {
 public:
  // Adds `row` unless its serial number is listed already; returns the row listing it then,
  // nullptr otherwise.
  const ProbeSettings* Add(ProbeSettings row);
  // The row listing `serial`, or nullptr.
  const ProbeSettings* Find(const std::string& serial) const;

  std::size_t size() const { return rows_.size(); }
  // In the file's order.
  const std::vector<ProbeSettings>& Rows() const { return rows_; }

 private:
  std::vector<ProbeSettings> rows_;
  std::unordered_map<std::string, std::size_t> indexBySerial_;
};

// Reads a settings table from comma-separated text as spreadsheets save it: a header row
// naming the columns serial, ip, mask, gateway, host and config in any order, then one row a
// probe. A UTF-8 byte-order mark, CRLF line ends, blank lines, double-quoted fields (with ""
// for a quote inside) and spaces around unquoted fields are taken in stride. Every field but
// config must be given; the four addresses must be dotted quads, the configuration file name
// must fit the setup block, the serial number must be no longer than a probe's, and no serial
// number may be listed twice. The first problem ends the read with a failure naming its line,
// such as "line 4: ip '10.0.0' is not a dotted quad such as 10.0.0.1".
Result<SettingsTable> ParseSettingsTable(std::string_view text);

// The same from a regular file of at most 4 MiB; the failure's text starts with the file's
// path.
Result<SettingsTable> ReadSettingsTable(const std::filesystem::path& path);

}  // namespace kvx
