#pragma once

#include <nlohmann/json.hpp>

#include "app/update_plan.h"

namespace kvx::cli {

// The dry run's report: what the update would erase and program, or why a file is refused.
void PrintPreview(const UpdatePlan& plan);
nlohmann::json PreviewJson(const UpdatePlan& plan);

// Why an update refuses its files, on standard error, beside the dialog's own messages.
void PrintRefusal(const UpdatePlan& plan);

}  // namespace kvx::cli
