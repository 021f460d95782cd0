#pragma once

#include <jsc/jsc.h>

namespace lumetra {

// Called with true when the newly focused node of a document is editable.
using FocusReport = void (*)(bool editable, gpointer data);

// Adds to a fresh context, before the page's own scripts, the query
// functions "cefQuery"/"cefQueryCancel" and the focus listener that calls
// `report` with `data`.
void runPageScripts(JSCContext* context, FocusReport report, gpointer data);

}  // namespace lumetra
