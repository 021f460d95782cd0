#pragma once

#include "base/call_frame.h"

namespace lumetra {

// getPrinterModelList(): the model names of ./dev/*.ini in the file system's
// order; an empty array when there are none.
CallResult getPrinterModelList(const CallArguments& arguments);

// getPrinterDiffConfig(printerName, modelName): attaches a model's command
// table to a printer (opened or not). Exactly 2 arguments, else false.
CallResult getPrinterDiffConfig(const CallArguments& arguments);

}  // namespace lumetra
