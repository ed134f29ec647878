// kvxctl's answers that need no probe, in process: help, usage errors and refusals before any
// port opens, on standard error and, with --json, in the object on standard output.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
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
}

}  // namespace
}  // namespace kvx::cli
