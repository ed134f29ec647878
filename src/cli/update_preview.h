#pragma once

#include <nlohmann/json.hpp>

#include "app/update_plan.h"

namespace kvx::cli {

// The dry run's report: what the update would erase and program, or why a file is refused.
void PrintPreview(const UpdatePlan& plan);
nlohmann::json PreviewJson(const UpdatePlan& plan);

}  // namespace kvx::cli
