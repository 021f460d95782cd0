#pragma once

#include "base/call_frame.h"
#include "functions/context.h"

namespace lumetra {

// Window functions that act on the desktop around the page: monitors, other
// programs' windows, the companion script, the updater and the file chooser.

CallResult getMonitors(Context& context, const CallArguments& args);
CallResult setWindowMinisize(Context& context, const CallArguments& args);
CallResult closeOtherWindow(Context& context, const CallArguments& args);
CallResult startNodeScript(Context& context, const CallArguments& args);
CallResult endNodeScript(Context& context, const CallArguments& args);
CallResult downloadUpdate(Context& context, const CallArguments& args);
CallResult selectFile(Context& context, const CallArguments& args);

// The companion programs, relative to the web process's current directory
// unless said otherwise. Node.js comes from the system's package and is found
// on PATH; the updater ships beside the shop's pages.
inline constexpr const char* kNodeProgram = "node";
inline constexpr const char* kNodeScript = "node-service/Main.js";
inline constexpr const char* kUpdaterProgram = "./HttpDownLoader";

inline constexpr const char* kUpdaterQuestion = "升级程序启动后会关闭当前正在运行的程序， 是否继续？";
inline constexpr const char* kUpdaterCaption = "提示";

}  // namespace lumetra
