#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace lumetra::shell {

// Every download is offered for saving into the user's Documents folder
// under its suggested name, through the save dialog. With message boxes
// going to a log (LUMETRA_DIALOG_LOG: no one to answer a dialog) it is saved
// there directly.
void handleDownloads(WebKitWebContext* context, bool askWhereToSave);

// The Documents folder followed by the file name; empty when the folder is
// not known.
std::string downloadPath(const std::string& fileName);

}  // namespace lumetra::shell
