#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

// What every reader, file routine and step above the probe layer returns: its value, or why
// there is none. It lives in the lowest layer because the file routines here are the first to
// return it; the probe operations keep their ErrorCode.
namespace kvx {

// Why something could not be done. `text` is what the user is told: a sentence of its own, or
// a reason that reads after the name of what failed ("cannot be opened (Permission denied)").
// `detail` is what lies behind it where the user may want it, such as the file's path and the
// system's reason; it may be empty.
struct Failure {
  std::string text;
  std::string detail;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : outcome_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : outcome_(std::in_place_index<1>, std::move(failure)) {}

  bool ok() const { return outcome_.index() == 0; }
  explicit operator bool() const { return ok(); }

  const T& value() const& { return std::get<0>(outcome_); }
  T& value() & { return std::get<0>(outcome_); }
  T&& value() && { return std::get<0>(std::move(outcome_)); }
  const T& operator*() const& { return value(); }
  T& operator*() & { return value(); }
  const T* operator->() const { return &value(); }
  T* operator->() { return &value(); }

  const Failure& failure() const { return std::get<1>(outcome_); }

 private:
  std::variant<T, Failure> outcome_;
};

// A step that gives nothing back but may fail.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)) {}

  bool ok() const { return !failure_.has_value(); }
  explicit operator bool() const { return ok(); }

  const Failure& failure() const { return *failure_; }

 private:
  std::optional<Failure> failure_;
};

}  // namespace kvx
