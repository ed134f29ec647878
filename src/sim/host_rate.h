#pragma once

#include <cstdint>

namespace kvx::sim {

// The rate the host last set on the slave side of the pseudo-terminal whose master is
// `masterFd` (the terminal settings of a pty pair live on the slave, and the master reads
// them), exact also for rates outside the standard table. 0 when they cannot be read.
std::uint32_t ReadHostRate(int masterFd);

}  // namespace kvx::sim
