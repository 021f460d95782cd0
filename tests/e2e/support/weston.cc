#include "e2e/support/weston.h"

#include <X11/Xlib.h>
#include <sys/stat.h>

#include <stdexcept>

#include "e2e/support/processes.h"

namespace lumetra::e2e {
namespace {

constexpr const char* kSocketName = "wayland-lumetra";
constexpr std::string_view kXServerLine = "xserver listening on display ";

// The shell's windows come and go while a test looks at them through
// XWayland; Xlib's default handler would end the test process on the first
// such error.
int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

Weston::Weston(Options options) {
  XSetErrorHandler(ignoreXErrors);
  ::chmod(dir_.path().c_str(), 0700);  // Wayland wants a private runtime folder
  const std::filesystem::path log = dir_.path() / "weston.log";
  SpawnOptions spawnOptions;
  spawnOptions.arguments = {"weston",
                            "--backend=headless-backend.so",
                            "--use-pixman",
                            "--width=" + std::to_string(options.width),
                            "--height=" + std::to_string(options.height),
                            std::string("--socket=") + kSocketName,
                            "--xwayland",
                            "--idle-time=0",
                            "--log=" + log.string()};
  spawnOptions.environment = {{"XDG_RUNTIME_DIR", dir_.path().string()},
                              {"HOME", dir_.path().string()},
                              {"DISPLAY", ""},
                              {"WAYLAND_DISPLAY", ""}};
  pid_ = spawn(spawnOptions);
  // Weston names the X display it listens on for XWayland once it is ready.
  const bool ready = pid_ > 0 && eventually(
                                     [&] {
                                       const std::string text = readText(log);
                                       const auto at = text.find(kXServerLine);
                                       if (at == std::string::npos) return false;
                                       const auto end = text.find('\n', at);
                                       if (end == std::string::npos) return false;
                                       xDisplay_ =
                                           text.substr(at + kXServerLine.size(), end - at - kXServerLine.size());
                                       return true;
                                     },
                                     std::chrono::seconds(30));
  if (!ready) {
    stopProcess(pid_);
    throw std::runtime_error("weston did not start: " + readText(log));
  }
}

Weston::~Weston() { stopProcess(pid_); }

std::string Weston::waylandDisplay() const { return (dir_.path() / kSocketName).string(); }

}  // namespace lumetra::e2e
