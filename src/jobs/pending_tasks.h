#pragma once

namespace lumetra {

// "printTaskMessage": flushes the kitchen list, then keeps retrying the
// pending print tasks every 10 seconds until the process ends. Returns at
// once; the retrying runs off the page's thread.
void startPendingTaskRetry();

// Stops the retrying (process exit).
void stopPendingTaskRetry();

}  // namespace lumetra
