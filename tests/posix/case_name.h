#pragma once

#include <string>

#include <gtest/gtest.h>

namespace kvx::test {

// Names each case of a table-driven test after the case's `name` field.
struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return info.param.name;
  }
};

}  // namespace kvx::test
