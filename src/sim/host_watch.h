#pragma once

#include <cstddef>
#include <string>

#include "os/result.h"

namespace kvx::sim {

// Follows the host's opens and closes of the simulator's terminal, and tidies up after a host
// that has gone.
//
// A host marks the terminal for its exclusive use (TIOCEXCL) and clears the mark when it
// closes; killed, it cannot, and the mark outlives it, keeping every later opener but root
// out. Clearing it takes a descriptor of the terminal's slave side, which cannot be had once
// the mark is set, so the watch holds the slave open from the start. Then the master no longer
// reports the host's hang-up (the slave stays open), so the opens and closes of the device are
// followed through inotify, which also sees a killed process's descriptors closed.
class HostWatch {
 public:
  HostWatch() = default;
  ~HostWatch();
  HostWatch(const HostWatch&) = delete;
  HostWatch& operator=(const HostWatch&) = delete;

  // Starts watching the terminal whose slave is `slavePath`; fails when it cannot be opened or
  // watched.
  Result<void> Watch(const std::string& slavePath);
  // Readable when a host has opened or closed the terminal.
  int Fd() const { return inotify_; }
  // Takes the opens and closes noticed since the last call. True when the last host closed
  // the terminal on the way, even if another has opened it since: replies not yet read are then
  // discarded, and a mark left on the terminal cleared unless a host holds it now.
  bool HostLeft();

 private:
  bool TakeEvents();
  void ClearOrphanedMark();

  int slave_ = -1;
  int inotify_ = -1;
  std::size_t openers_ = 0;
};

}  // namespace kvx::sim
