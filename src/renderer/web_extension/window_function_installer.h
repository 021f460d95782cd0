#pragma once

#include <jsc/jsc.h>

#include <span>

#include "functions/window_function_table.h"

namespace lumetra {

// A window function with the context its calls run on.
struct BoundWindowFunction {
  const WindowFunctionHandler* handler;
  Context* context;
};

// Sets each function as a function property of the context's global object
// (`window`), named after it. The bindings must outlive the JS context.
void installWindowFunctions(JSCContext* context, std::span<const BoundWindowFunction> functions);

}  // namespace lumetra
