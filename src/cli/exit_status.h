#pragma once

namespace kvx::cli {

// kvxctl's exit status: scripts tell a probe failure from a mistyped command line.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

}  // namespace kvx::cli
