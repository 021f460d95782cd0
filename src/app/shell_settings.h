#pragma once

#include <string>
#include <string_view>

namespace lumetra::shell {

inline constexpr std::string_view kStartPage = "file:///Vandrel/assets/www/index.html";
// Tests and development run the same client on a page of their own.
inline constexpr const char* kStartPageVariable = "LUMETRA_START_PAGE";

inline constexpr const char* kMainWindowTitle = "Lumetra";
inline constexpr const char* kMainWindowClass = "LUMETRA";
inline constexpr const char* kSplashWindowClass = "SplashWindowClass";
inline constexpr const char* kSplashTitle = "Splash Screen";
// The title the start page gives the main window; a second start maximises
// the window carrying it (the running till's) when its splash closes.
inline constexpr const char* kMaximiseAfterSplashTitle = "Velmora";
inline constexpr const char* kSingleInstanceName = "SinglePro";
inline constexpr unsigned kSplashMilliseconds = 5000;
inline constexpr unsigned kMaximiseDelayMilliseconds = 500;

inline constexpr const char* kMessageCaption = "提示";
inline constexpr const char* kAlreadyRunningText = "该程序已经在运行！";
inline constexpr const char* kSplashPictureFailedText = "加载位图资源失败！";
inline constexpr const char* kSplashWindowFailedText = "创建初始化服务失败！";

// The switches the shell reads from its command line.
struct ShellSwitches {
  bool multiThreadedMessageLoop = false;  // no splash; the main window stays minimised
  bool mouseCursorChangeDisabled = false;
};

// Switches are "--name" or "--name=value" ("-name" too); a bare "--" ends
// them.
ShellSwitches readSwitches(int argc, const char* const* argv);

}  // namespace lumetra::shell
