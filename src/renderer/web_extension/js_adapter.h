#pragma once

#include <glib.h>
#include <jsc/jsc.h>

#include "base/call_frame.h"

namespace lumetra {

// JavaScript arguments as the window functions read them: numbers, strings
// and booleans keep their type and value, everything else is "other".
// Strings are read only while the call's text stays within
// kMaxCallTextBytes; past it the frame is marked over the limit.
CallArguments toCallArguments(GPtrArray* jsArguments);

// A function's result as a JavaScript value (transfer full); a call that was
// not handled gives undefined.
JSCValue* toJsValue(JSCContext* context, const CallResult& result);

}  // namespace lumetra
