#pragma once

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/update_plan.h"

namespace kvx::cli {

// The dry run's report: what the update would erase and program, or why a file is refused.
// The firmware's requests and their line time at `baudRate` follow the plan's write mode.
void PrintPreview(std::FILE* out, const UpdatePlan& plan, std::uint32_t baudRate);
nlohmann::json PreviewJson(const UpdatePlan& plan, std::uint32_t baudRate);

}  // namespace kvx::cli
