// A value, or what went wrong instead: what file, parse and set-up functions return
// rather than filling an error string passed in. The names follow std::expected
// (has_value, value, error, Unexpected for the failure side), so the type can give way
// to it when the compiler offers it.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace raidmon {

// The failure side: `return Unexpected("cannot open " + path);`. The error is a
// message unless a caller needs more (see Result's E).
template <class E = std::string>
class Unexpected {
 public:
  explicit Unexpected(E error) : error_(std::move(error)) {}
  E& error() & { return error_; }
  E&& error() && { return std::move(error_); }

 private:
  E error_;
};
Unexpected(const char*) -> Unexpected<std::string>;

template <class T, class E = std::string>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit, as std::expected
  template <class G>
  Result(Unexpected<G> failure) : error_(std::move(failure).error()) {}  // NOLINT

  bool has_value() const { return value_.has_value(); }
  explicit operator bool() const { return has_value(); }

  // The value; asking a failed result for it is a programming error and throws.
  T& value() & { return checked(), *value_; }
  const T& value() const& { return checked(), *value_; }
  T&& value() && { return checked(), std::move(*value_); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  // What went wrong; default-constructed (an empty message) while there is a value.
  const E& error() const { return error_; }

 private:
  void checked() const {
    if (!value_) throw std::logic_error("Result holds no value");
  }

  std::optional<T> value_;
  E error_{};
};

// Success or what went wrong, for steps that give nothing back.
template <class E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  template <class G>
  Result(Unexpected<G> failure) : failed_(true), error_(std::move(failure).error()) {}  // NOLINT

  bool has_value() const { return !failed_; }
  explicit operator bool() const { return has_value(); }
  const E& error() const { return error_; }

 private:
  bool failed_ = false;
  E error_{};
};

}  // namespace raidmon
