#include <string>
#include <vector>

#include "cli/kvxctl.h"

int main(int argc, char** argv) {
  return kvx::cli::RunKvxctl(std::vector<std::string>(argv + 1, argv + argc),
                             kvx::cli::StandardIo());
}
