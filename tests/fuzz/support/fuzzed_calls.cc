#include "support/fuzzed_calls.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace lumetra::fuzz {
namespace {

// Long enough for every text path (conversion, buffers of 64 units), short
// enough that a run stays fast.
constexpr std::size_t kMaxStringBytes = 512;

double fuzzedNumber(FuzzedDataProvider& data) {
  switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return data.ConsumeIntegralInRange<int>(-2, 8);  // slot numbers and small counts
    case 1:
      return static_cast<double>(data.ConsumeIntegral<std::int64_t>());
    case 2:
      return data.ConsumeFloatingPoint<double>();
    default:
      return std::numeric_limits<double>::quiet_NaN();
  }
}

}  // namespace

CallArgument fuzzedArgument(FuzzedDataProvider& data) {
  switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return CallArgument::other();
    case 1:
      return CallArgument::boolean(data.ConsumeBool());
    case 2:
      return CallArgument::number(fuzzedNumber(data));
    default:
      return CallArgument::string(data.ConsumeRandomLengthString(kMaxStringBytes));
  }
}

std::vector<CallArgument> fuzzedArguments(FuzzedDataProvider& data, std::size_t maxCount) {
  std::vector<CallArgument> arguments(data.ConsumeIntegralInRange<std::size_t>(0, maxCount));
  for (CallArgument& argument : arguments) argument = fuzzedArgument(data);
  return arguments;
}

const WindowFunctionHandler& fuzzedFunction(FuzzedDataProvider& data, std::span<const std::string_view> names) {
  const WindowFunctionHandler* handler =
      findWindowFunction(names[data.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)]);
  if (!handler) std::abort();
  return *handler;
}

const std::string* stringArgument(const std::vector<CallArgument>& arguments, std::size_t index) {
  return index < arguments.size() ? std::get_if<std::string>(&arguments[index].value) : nullptr;
}

}  // namespace lumetra::fuzz
