#pragma once

#include <jsc/jsc.h>

namespace lumetra {

// Called with true when the newly focused node of a document is editable.
using FocusReport = void (*)(bool editable, gpointer data);

// Evaluates a script compiled into the library (a path under
// /lumetra/renderer); the caller owns the result.
JSCValue* evaluateResource(JSCContext* context, const char* path);

// Adds the query functions "cefQuery"/"cefQueryCancel" to a fresh context,
// before the page's own scripts.
void installQueryRouter(JSCContext* context);

// Adds to a fresh context, before the page's own scripts, the focus
// listener that calls `report` with `data`.
void installFocusListener(JSCContext* context, FocusReport report, gpointer data);

}  // namespace lumetra
