#include "app/document_file.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kvx {

namespace {

constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

}  // namespace

bool MayReadAndWrite(const std::string& path) {
  struct stat file {};
  return !path.empty() && stat(path.c_str(), &file) == 0 && S_ISREG(file.st_mode) &&
         (file.st_mode & kAnyWrite) != 0 && access(path.c_str(), R_OK | W_OK) == 0;
}

}  // namespace kvx
