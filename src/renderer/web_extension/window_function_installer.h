#pragma once

#include <jsc/jsc.h>

#include <span>

#include "base/call_frame.h"

namespace lumetra {

// Sets each handler as a function property of the context's global object
// (`window`), named after it. The handlers must outlive the context.
void installWindowFunctions(JSCContext* context, std::span<const WindowFunctionHandler> handlers);

}  // namespace lumetra
