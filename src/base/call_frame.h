#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumetra {

// One argument of a window function call as the page passed it. Values the
// functions never read as such (undefined, null, objects, arrays) are kept
// only as "other".
struct CallArgument {
  struct Other {};
  std::variant<Other, bool, double, std::string> value;  // strings are UTF-8

  static CallArgument other() { return {Other{}}; }
  static CallArgument boolean(bool b) { return {b}; }
  static CallArgument number(double n) { return {n}; }
  static CallArgument string(std::string utf8) { return {std::move(utf8)}; }
};

// The most text the string arguments of one call may hold together, in
// UTF-8 bytes: far beyond any receipt or task list, and a bound on what one
// call makes the process copy and convert.
inline constexpr std::size_t kMaxCallTextBytes = std::size_t{16} << 20;

// The arguments of one call, read by position. A missing argument or one of
// another type reads as "", 0 or false: there is no JavaScript-style coercion.
class CallArguments {
 public:
  CallArguments() = default;
  explicit CallArguments(std::vector<CallArgument> values) : values_(std::move(values)) {}

  std::size_t count() const { return values_.size(); }
  // The page passed more text than kMaxCallTextBytes: the arguments were not
  // all read, and the call is refused.
  bool overTextLimit() const { return overTextLimit_; }

  std::u16string string(std::size_t index) const;
  std::string utf8(std::size_t index) const;
  // A whole number in int32 range reads as itself, one in uint32 range wraps
  // to int32; fractions, NaN, infinities, larger numbers and non-numbers read 0.
  std::int32_t integer(std::size_t index) const;
  bool boolean(std::size_t index) const;

 private:
  friend class CallFrameReader;
  const CallArgument* at(std::size_t index) const;

  std::vector<CallArgument> values_;
  bool overTextLimit_ = false;
};

// Reads the page's arguments into a CallArguments in order, keeping their
// text within kMaxCallTextBytes. The host asks for room before converting a
// string, so text past the limit is never copied: once a string does not
// fit, reading stops and the frame is over the limit.
class CallFrameReader {
 public:
  void add(CallArgument argument) { frame_.values_.push_back(std::move(argument)); }
  // Whether `bytes` more text (at least what the next string will take)
  // still fit; false marks the frame over the limit.
  bool roomFor(std::size_t bytes);
  // Adds a string argument; false (and not added) when it does not fit.
  bool addText(std::string utf8);
  CallArguments frame() && { return std::move(frame_); }

 private:
  CallArguments frame_;
  std::size_t textBytes_ = 0;
};

// What a call gives back to the page. `handled` false reports the call as not
// handled; the page then receives undefined whatever the value is.
class CallResult {
 public:
  struct Undefined {
    bool operator==(const Undefined&) const = default;
  };
  using Strings = std::vector<std::string>;  // UTF-8
  using Value = std::variant<Undefined, bool, std::int32_t, std::string, Strings>;

  static CallResult undefined() { return CallResult(Undefined{}); }
  static CallResult boolean(bool b) { return CallResult(b); }
  static CallResult integer(std::int32_t i) { return CallResult(i); }
  static CallResult string(std::string utf8) { return CallResult(std::move(utf8)); }
  static CallResult strings(Strings list) { return CallResult(std::move(list)); }
  static CallResult notHandled();

  const Value& value() const { return value_; }
  bool handled() const { return handled_; }

  bool isUndefined() const { return std::holds_alternative<Undefined>(value_); }
  bool operator==(const CallResult& other) const = default;

 private:
  explicit CallResult(Value value) : value_(std::move(value)) {}

  Value value_;
  bool handled_ = true;
};

}  // namespace lumetra
