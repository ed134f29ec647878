#include "app/settings_table.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "temp_directory.h"

namespace kvx {
namespace {

const std::string kHeader = "serial,ip,mask,gateway,host,config\n";
const std::string kRow = "12345678,10.0.0.1,255.255.255.0,10.0.0.254,10.0.0.2,probe.cfg\n";
const std::string kColumnsHint = "; the columns are serial,ip,mask,gateway,host,config";

// A row as "line|serial|ip|mask|gateway|host|config".
std::string Described(const ProbeSettings& row) {
  const NetworkSetupTexts& t = row.texts;
  return std::to_string(row.line) + "|" + row.serial + "|" + t.probeIpAddress + "|" + t.subnetMask +
         "|" + t.defaultGateway + "|" + t.hostIpAddress + "|" + t.configFileName;
}

// The first bad line ends the read, named by its physical line number (blank lines and CRLF
// ends counted), and nothing of the table is kept.
TEST(SettingsTable, RefusesTheFirstBadLineByNumber) {
  struct Case {
    std::string text;
    std::string error;
  };
  // clang-format off
  const Case kCases[] = {
      {"\n \n", "line 1: no header row naming the columns serial,ip,mask,gateway,host,config"},
      {"serial,ip,mask,gateway,host\n", "line 1: column 'config' is missing" + kColumnsHint},
      {"serial,ip,mask,gateway,host,config,notes\n", "line 1: unknown column 'notes'" + kColumnsHint},
      {"serial,ip,ip,gateway,host,config\n", "line 1: column 'ip' is named twice"},
      {kHeader + kRow + "12345679,10.0.0.1\n", "line 3: the row has 2 fields where the header names 6 columns"},
      {kHeader + "\"12345678,10.0.0.1,255.255.255.0,10.0.0.254,10.0.0.2,\n", "line 2: field 1 opens a quote that is never closed"},
      {kHeader + "\"1234\"5678,10.0.0.1,255.255.255.0,10.0.0.254,10.0.0.2,\n", "line 2: field 1 goes on after its closing quote"},
      {kHeader + "12345678,10.0.0.1,255.255.255.0,10.0.0.254,10.0.0.2,a" + '\0' + "b\n", "line 2: field 6 holds the control character 0x00"},
      {kHeader + "12345678,\"10.0.0.1\t\",255.255.255.0,10.0.0.254,10.0.0.2,\n", "line 2: field 2 holds the control character 0x09"},
      {kHeader + " ,10.0.0.1,255.255.255.0,10.0.0.254,10.0.0.2,\n", "line 2: serial is empty"},
      {kHeader + "123456,10.0.0.1,255.255.255.0,10.0.0.254,10.0.0.2,\n", "line 2: serial '123456' is not 8 or 10 characters long as a probe's is (have leading zeros been dropped?)"},
      {kHeader + "123456789,10.0.0.1,255.255.255.0,10.0.0.254,10.0.0.2,\n", "line 2: serial '123456789' is not 8 or 10 characters long as a probe's is (have leading zeros been dropped?)"},
      {kHeader + "12345678901,10.0.0.1,255.255.255.0,10.0.0.254,10.0.0.2,\n", "line 2: serial '12345678901' is not 8 or 10 characters long as a probe's is (have leading zeros been dropped?)"},
      {"serial;ip;mask;gateway;host;config\n", "line 1: unknown column 'serial;ip;mask;gateway;host;config'" + kColumnsHint + " separated by commas"},
      {kHeader + "\n", "line 2: no probe is listed"},
      {kHeader + "\r\n  \r\n12345678,10.0.0,255.255.255.0,10.0.0.254,10.0.0.2,\r\n", "line 4: ip '10.0.0' is not a dotted quad such as 10.0.0.1"},
      {kHeader + "12345678,10.0.0.1,,10.0.0.254,10.0.0.2,\n", "line 2: mask is empty"},
      {kHeader + "12345678,10.0.0.1,255.255.255.0,10.0.0.254,10.0.0.2," + std::string(80, 'c'), "line 2: config '" + std::string(80, 'c') + "' is longer than 79 characters"},
      {kHeader + kRow + "\n87654321,10.0.0.3,255.255.255.0,10.0.0.254,10.0.0.2,\n" + kRow, "line 5: serial 12345678 is already listed on line 2"},
  };
  // clang-format on
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    const Result<SettingsTable> read = ParseSettingsTable(c.text);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.failure().text, c.error);
  }
}

// What spreadsheets write: a byte-order mark, CRLF ends, no final newline, columns in any
// order, quoted fields holding separators and quotes, padding, blank lines.
TEST(SettingsTable, ReadsEverySpellingSpreadsheetsWrite) {
  struct Case {
    std::string text;
    std::vector<std::string> rows;
  };
  const std::string longName(79, 'c');
  // clang-format off
  const Case kCases[] = {
      {"\xEF\xBB\xBFserial,ip,mask,gateway,host,config\r\n12345678,10.0.0.1,255.255.255.0,10.0.0.254,10.0.0.2," + longName,
       {"2|12345678|10.0.0.1|255.255.255.0|10.0.0.254|10.0.0.2|" + longName}},
      {"\n config , \"serial\",ip,mask,gateway,host\n\n\"a \"\"b\"\", c.cfg\", 1234567890 ,\"10.0.0.1\",255.255.255.255,0.0.0.0,10.0.0.2\n  \n,\"12345678\",1.2.3.4,255.0.0.0,1.2.3.1,1.2.3.5\n",
       {"4|1234567890|10.0.0.1|255.255.255.255|0.0.0.0|10.0.0.2|a \"b\", c.cfg",
        "6|12345678|1.2.3.4|255.0.0.0|1.2.3.1|1.2.3.5|"}},
  };
  // clang-format on
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    const Result<SettingsTable> read = ParseSettingsTable(c.text);
    ASSERT_TRUE(read) << read.failure().text;
    std::vector<std::string> rows;
    for (const ProbeSettings& row : read->Rows()) {
      rows.push_back(Described(row));
      EXPECT_EQ(read->Find(row.serial), &row);
    }
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(read->Find("87654321"), nullptr);
  }
}

// A FIFO named by mistake is refused rather than waited on; every error starts with the path.
TEST(SettingsTable, ReadsOnlyRegularFilesAndNamesThemInErrors) {
  const test::TempDirectory dir;
  const std::string fifo = (dir / "fifo.csv").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string bad = dir.Write("bad.csv", kHeader + "12345678\n").string();
  struct Case {
    std::string path;
    std::string error;
  };
  const Case kCases[] = {
      {dir.Write("probes.csv", kHeader + kRow).string(), ""},
      {bad, bad + ": line 2: the row has 1 field where the header names 6 columns"},
      {fifo, fifo + " is not a regular file"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.path);
    const Result<SettingsTable> read = ReadSettingsTable(c.path);
    EXPECT_EQ(read ? "" : read.failure().text, c.error);
    if (read) {
      EXPECT_EQ(read->size(), 1u);
    }
  }
}

}  // namespace
}  // namespace kvx
