#pragma once

#include "functions/context.h"

namespace lumetra {

// What every new script context (page, frame or popup) needs before its page
// script runs: the kitchen printers' command table reloaded from its model.
void onScriptContextCreated(Context& context);

// A script context went away: every open printer of the whole web process is
// closed (its session, model and table stay), and the direct network prints
// forget which printers did not answer.
void onScriptContextReleased(Context& context);

}  // namespace lumetra
