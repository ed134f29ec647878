#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/probe_session.h"
#include "os/result.h"

namespace kvx::cli {

// A file named on the command line, by the option that named it.
struct NamedFile {
  std::string option;
  std::string path;  // empty when the option was not given
};

// What a probe command does with each probe it serves.
struct ProbeJob {
  std::string command;  // as typed, for the messages
  SessionSettings settings;
  // Why the job cannot serve several probes at once; empty when it can.
  std::string whyOnePort;
  // The files it reads or writes: no two of them, nor the report, may be one file.
  std::vector<NamedFile> files;
  // Fails when it cannot run, as far as can be told before any port opens; none when it
  // always can.
  std::function<Result<void>()> preflight;
  // Runs after a passed Connect; returns whether it passed, and notes what it found or did
  // in session.Outcome().
  std::function<bool(ProbeSession& session)> action;
  // The plain-text report of a single probe, printed once it has been served, whatever the
  // action's result.
  std::function<void(const ProbeOutcome& outcome, std::FILE* out)> printText;
  // With several probes, what the line of a passed probe says of it beside its port and
  // serial number ("loader 1.03, firmware 1.04, ..."); none for the word "passed" alone.
  std::function<std::string(const ProbeOutcome& outcome)> summarise;
};

// Serves every port the options name with `job`: connect, run the action, end like OK.
//
// One port is served as always: status on io.err, then the text report, or with --json one
// object, on io.out. Several ports are served at the same time, each on
// its own thread with its own session, so one probe's failure or silence never holds up
// another; the board shows their progress, and io.out gets one JSON line a probe
// as it finishes (--json), or a line a probe and a summary at the end. Either way --report
// appends each probe's record. Ctrl-C stops every probe at its next exchange boundary.
//
// Returns the exit status: 0 when every probe passed, 130 when interrupted, else 1.
int RunProbeJob(const ProbeOptions& options, const ProbeJob& job, const CommandIo& io);

}  // namespace kvx::cli
