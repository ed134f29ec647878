#pragma once

#include <cstddef>

#include "images/firmware_image.h"
#include "images/program_plan.h"

namespace kvx::cli {

// What an update of a programmable image sends, for the dry run's estimate of its line time.
struct UpdateTraffic {
  std::size_t programRequests = 0;  // the image marker's not counted
  std::size_t readRequests = 0;     // the marker's read-back included
  std::size_t wireBytes = 0;        // every frame both ways, erases and marker included, unescaped
};
UpdateTraffic PlanTraffic(const FirmwareImage& image, FirmwareWriteMode mode);

}  // namespace kvx::cli
