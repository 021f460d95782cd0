#pragma once

#include "base/call_frame.h"

namespace lumetra {

// printLogo(printerName, imageText): prints the picture on the printer the
// page has opened. True whenever it gets exactly two arguments, printed or
// not; false otherwise.
CallResult printLogo(const CallArguments& arguments);

// checkImage(imageText): true when the picture is 384 or 576 pixels wide,
// the two roll widths the printers take.
CallResult checkImage(const CallArguments& arguments);

}  // namespace lumetra
