// kvxctl's answers that need no probe, in process: help, usage errors and refusals before any
// port opens, on standard error and, with --json, in the object on standard output.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/setup_document.h"
#include "cli/kvxctl.h"
#include "temp_directory.h"

namespace kvx::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(Kvxctl, AnswersHelpAndRefusesBadCommandLinesBeforeAnyPortOpens) {
  const test::TempDirectory dir;
  const std::string port = " --port " + (dir / "tty").string();  // no such device
  const std::string missing = (dir / "missing").string();
  const std::string file = dir.Write("file", "").string();
  SetupDocument escapes;
  escapes.network.probeIpAddress = "\x1b[2J10.0.0.1";
  const std::vector<std::uint8_t> bytes = WriteSetupDocument(escapes).value();
  const std::string document = dir.Write("e.gdb", std::string(bytes.begin(), bytes.end())).string();
  const std::string name79(79, 'c');
  const std::string d = dir.Path().string();  // holds the newest update files, 1.05
  dir.Write("KVXARMFW.105", "");
  dir.Write("KVXLOG70.105", "");
  // Names that stand for one file, however they are spelt.
  const std::string x = dir.Write("x.srec", "old").string();
  ASSERT_EQ(link(x.c_str(), (d + "/hard.srec").c_str()), 0);
  std::filesystem::create_directory(dir / "real");
  std::filesystem::create_directory_symlink(dir / "real", dir / "linked");
  const std::string table =
      dir.Write("t.csv",
                "serial,ip,mask,gateway,host,config\n12345678,1.2.3.4,1.2.3.4,1.2.3.4,1.2.3.4,x\n")
          .string();
  const std::string fifo = (dir / "fifo").string();  // nobody reads it: never to be waited on
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  setenv("KVXSETUP_COM3", "/tmp/probe\x1b[2J", 1);
  struct Case {
    std::string line;  // '' stands for an empty word
    int status;
    std::string expected;  // in standard output for status 0, else in standard error
  };
  // clang-format off
  const Case cases[] = {
      {"help", 0, "Usage: kvxctl [OPTIONS] SUBCOMMAND"},
      {"help update", 0, "Usage: kvxctl update [OPTIONS]"},
      {"erase --help", 0, "Examples:\n  kvxctl erase --port COM1"},
      {"files --json --dir " + d, 0, "{\"directory\":\"" + d + "\",\"firmware\":{\"number\":105,\"path\":\"" + d + "/KVXARMFW.105\",\"version\":\"1.05\"},\"logic\":{\"number\":105,\"path\":\"" + d + "/KVXLOG70.105\",\"pathRevisionC\":\"" + d + "/KVXLOG71.105\","},
      {"frobnicate", 2, "kvxctl: unknown command 'frobnicate'\n"},
      {"udpate --port x", 2, "unknown command 'udpate' (did you mean 'update'?)"},
      {"info --prot x", 2, "unknown option '--prot' for 'kvxctl info' (did you mean '--port'?)"},
      {"help frobnicate", 2, "'frobnicate' is not a kvxctl command"},
      {"help ''", 2, "'' is not a kvxctl command"},
      {"-- info", 2, "kvxctl: unknown option '--'\n"},
      {"info --port x extra", 2, "kvxctl: unexpected argument 'extra' for 'kvxctl info'"},
      // A value forgotten: the next option is not taken as the port, nor the word after it.
      {"update --port --firmware F", 2, "kvxctl update: --port needs a value, but --firmware follows it\n"},
      {"info --port -s 9600", 2, "kvxctl info: --port needs a value, but -s follows"},
      {"read --port x --firmware= --logic y --json", 2, "kvxctl read: --firmware needs a value, but --firmware= gives none\n"},
      // An empty name (a script's unset variable) is no name, not the option left out.
      {"update --port x --logic ''", 2, "kvxctl update: --logic: an empty name names no file\n"},
      {"read --port '' --firmware f", 2, "kvxctl read: --port: an empty name names no port\n"},
      {"files --dir '' --json", 2, "kvxctl files: --dir: an empty name names no folder\n"},
      // A probe stores whatever texts it is sent, so each is checked first, a document's too.
      {"transmit --ip 10.0.0.1 --host abc --json" + port, 2, "--host 'abc' is not a dotted quad"},
      {"transmit --ip 10.0.0.1 --config-file " + name79 + "c" + port, 2, "' is longer than 79 characters"},
      {"transmit --document " + document + port, 2, "the probe IP address '\\x1B[2J10.0.0.1' in " + document + " is not a dotted quad"},
      {"transmit --document " + dir.Write("empty.gdb", "").string() + port, 2, "is empty: it holds no settings of its own to send"},
      {"transmit --port x --json", 2, "--ip is required without --document"},
      {"transmit --document " + missing + " --json" + port, 1, missing + ": cannot be opened"},
      {"transmit --settings " + missing + " --json" + port, 2, missing},
      {"erase --json" + port, 2, "no terminal to ask \"Erase Flash and EPLD?\"; give --yes"},
      {"update --logic " + missing + port, 1, "kvxctl update: " + missing + " cannot be opened"},
      {"update --dry-run --firmware " + d + port, 1, d + " is not a regular file"},
      {"files --dir " + missing + " --json", 1, "no such directory: " + missing},
      {"files --dir " + file + " --json", 1, file + " is not a directory"},
      {"info --json", 2, "--port is required"},
      {"info --speed 12345 --json" + port, 2, "12345 not in"},
      {"info --port " + missing + "* --json", 2, "no port matches '" + missing + "*'"},
      {"info --report " + missing + "/line.jsonl --json" + port, 2, "cannot open the report file " + missing},
      {"info --report " + fifo + port, 2, "cannot open the report file " + fifo + " for appending: it is not a regular file"},
      {"info --report " + d + port, 2, "cannot open the report file " + d + " for appending: it is not a regular file"},
      {"info --report /dev/null" + port, 2, "cannot open the report file /dev/null for appending: it is not a regular file"},
      {"read --firmware " + x + port, 1, "kvxctl read: " + x + " exists; give --force to replace it\n"},
      {"read --firmware " + missing + "/x.srec --json" + port, 1, "no such directory: " + missing},
      {"read --port a --port b --logic x.jed", 2, "several probes would write the same files"},
      {"read --force --firmware " + x + " --logic " + d + "/./x.srec" + port, 2, "kvxctl read: --firmware and --logic name the same file: " + x + " and " + d + "/./x.srec\n"},
      {"read --force --firmware " + x + " --logic " + d + "/hard.srec" + port, 2, "kvxctl read: --firmware and --logic name the same file: " + x + " and " + d + "/hard.srec\n"},
      {"read --firmware " + d + "/real/a.srec --logic " + d + "/linked/a.srec" + port, 2, "--firmware and --logic name the same file: " + d + "/real/a.srec and " + d + "/linked/a.srec\n"},
      {"read --force --logic " + x + " --report " + x + port, 2, "kvxctl read: --logic and --report name the same file " + x + "\n"},
      {"update --firmware " + x + " --report " + d + "/linked/../x.srec" + port, 2, "kvxctl update: --firmware and --report name the same file: " + x + " and " + d + "/linked/../x.srec\n"},
      {"update --firmware " + x + " --logic " + x + port, 2, "kvxctl update: --firmware and --logic name the same file " + x + "\n"},
      {"transmit --settings " + table + " --report " + d + "/./t.csv" + port, 2, "kvxctl transmit: --settings and --report name the same file: " + table + " and " + d + "/./t.csv\n"},
      // A COMn the environment gives is listed as set there, its name escaped for the terminal.
      {"ports", 0, "COM3   /tmp/probe\\x1B[2J set by KVXSETUP_COM3\n"},
      {"ports --json", 0, "\"com\":\"COM3\",\"device\":\"/tmp/probe\\u001b[2J\""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::vector<std::string> words;
    std::istringstream line(c.line);
    for (std::string word; line >> word;) words.push_back(word == "''" ? "" : word);
    const CommandIo io{std::fopen((dir / "out").c_str(), "w"),
                       std::fopen((dir / "err").c_str(), "w"), std::tmpfile()};  // no terminal
    EXPECT_EQ(RunKvxctl(words, io), c.status);
    for (std::FILE* stream : {io.out, io.err, io.in}) std::fclose(stream);
    const std::string out = dir.Read("out"), err = dir.Read("err");
    EXPECT_THAT(c.status == 0 ? out : err, HasSubstr(c.expected));
    EXPECT_THAT(err, Not(HasSubstr("Cannot connect")));
    if (c.status == 0 || c.line.find(" --json") == std::string::npos) continue;
    const auto outcome = nlohmann::json::parse(out, nullptr, false);
    EXPECT_EQ(outcome.value("passed", true), false) << out;
    EXPECT_THAT(outcome.value("reason", ""),
                HasSubstr(c.expected.substr(0, c.expected.find('\n'))));
  }
  unsetenv("KVXSETUP_COM3");
  EXPECT_EQ(dir.Read("x.srec"), "old");
}

}  // namespace
}  // namespace kvx::cli
