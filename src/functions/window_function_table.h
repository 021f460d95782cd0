#pragma once

#include <cstddef>
#include <limits>
#include <span>
#include <string_view>

#include "base/call_frame.h"
#include "functions/context.h"

namespace lumetra {

using WindowFunction = CallResult (*)(Context&, const CallArguments&);

// What a refused call gives: one with an argument count the function does
// not take, or with more text than kMaxCallTextBytes.
enum class Refusal { undefined, false_, true_ };

// The argument counts a function takes; any other count is refused without
// the function running.
struct ArgumentCounts {
  std::size_t min = 0;
  std::size_t max = std::numeric_limits<std::size_t>::max();
  Refusal refusal = Refusal::undefined;
};

constexpr ArgumentCounts anyCount(Refusal refusal = Refusal::undefined) {
  return {0, std::numeric_limits<std::size_t>::max(), refusal};
}
constexpr ArgumentCounts exactly(std::size_t count, Refusal refusal) { return {count, count, refusal}; }
constexpr ArgumentCounts atLeast(std::size_t count, Refusal refusal) {
  return {count, std::numeric_limits<std::size_t>::max(), refusal};
}
constexpr ArgumentCounts between(std::size_t min, std::size_t max, Refusal refusal) { return {min, max, refusal}; }

// One native function on `window`: its name, the argument counts it takes
// and what runs when it is called. Nothing escapes `execute`: a failing
// function gives undefined.
class WindowFunctionHandler {
 public:
  constexpr WindowFunctionHandler(std::string_view name, ArgumentCounts counts, WindowFunction function)
      : name_(name), counts_(counts), function_(function) {}

  std::string_view name() const { return name_; }
  CallResult execute(Context& context, const CallArguments& arguments) const;

 private:
  std::string_view name_;
  ArgumentCounts counts_;
  WindowFunction function_;
};

// The native functions installed on `window` of every script context, in
// installation order.
std::span<const WindowFunctionHandler> windowFunctionTable();

// The handler of that name, or nullptr.
const WindowFunctionHandler* findWindowFunction(std::string_view name);

}  // namespace lumetra
