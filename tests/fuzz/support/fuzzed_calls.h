#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "base/call_frame.h"
#include "functions/window_function_table.h"

namespace lumetra::fuzz {

// One argument as a page could pass it: undefined/object, boolean, any
// number (whole, fractional, huge, NaN) or a string of arbitrary bytes.
CallArgument fuzzedArgument(FuzzedDataProvider& data);

// Up to `maxCount` arguments, so wrong counts are tried as often as right ones.
std::vector<CallArgument> fuzzedArguments(FuzzedDataProvider& data, std::size_t maxCount = 8);

// The window function of one of `names`, chosen by the data.
const WindowFunctionHandler& fuzzedFunction(FuzzedDataProvider& data, std::span<const std::string_view> names);

// The string argument at `index`, if there is one.
const std::string* stringArgument(const std::vector<CallArgument>& arguments, std::size_t index);

}  // namespace lumetra::fuzz
