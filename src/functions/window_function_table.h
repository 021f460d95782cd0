#pragma once

#include <span>
#include <string_view>

#include "base/call_frame.h"

namespace lumetra {

// The native functions installed on `window` of every script context, in
// installation order. Holds exactly the functions that are built.
std::span<const WindowFunctionHandler> windowFunctionTable();

// The handler of that name, or nullptr.
const WindowFunctionHandler* findWindowFunction(std::string_view name);

}  // namespace lumetra
