#include "e2e/support/x_server.h"

#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

#include "e2e/support/processes.h"

namespace lumetra::e2e {
namespace {

std::string readLine(int fd) {
  std::string line;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

// Windows come and go while the tests look at them; Xlib's default handler
// would end the whole test process (leaving its X server behind) on the
// first such error.
int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

XServer::XServer(Options options) : options_(options) {
  XSetErrorHandler(ignoreXErrors);
  startXvfb();
  if (options_.secondMonitor) addMonitors();
  if (options_.windowManager) startWindowManager();
}

XServer::~XServer() {
  if (connection_) XCloseDisplay(connection_);
  stopProcess(windowManager_);
  stopProcess(xvfb_);
  if (!home_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
  }
}

// Xvfb picks a free display number and writes it to the descriptor given:
// other X servers may run on this machine at the same time.
void XServer::startXvfb() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const int screenWidth = options_.secondMonitor ? 2 * options_.width : options_.width;
  const std::string screen = std::to_string(screenWidth) + "x" + std::to_string(options_.height) + "x24";
  SpawnOptions spawnOptions;
  spawnOptions.arguments = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten",
                            "tcp",  "-noreset"};
  spawnOptions.extraFd = fds[1];
  xvfb_ = spawn(spawnOptions);
  ::close(fds[1]);
  const std::string number = readLine(fds[0]);
  ::close(fds[0]);
  if (xvfb_ < 0 || number.empty()) throw std::runtime_error("Xvfb did not start");
  display_ = ":" + number;
  connection_ = XOpenDisplay(display_.c_str());
  if (!connection_) throw std::runtime_error("cannot connect to " + display_);
}

// Xvfb has a single output; RandR monitors split its screen the way two
// physical monitors would.
void XServer::addMonitors() {
  XRRMonitorInfo monitor{};
  monitor.width = options_.width;
  monitor.height = options_.height;
  monitor.mwidth = options_.width / 4;
  monitor.mheight = options_.height / 4;
  monitor.name = XInternAtom(connection_, "PRIMARY-LEFT", False);
  monitor.primary = True;
  XRRScreenResources* resources = XRRGetScreenResources(connection_, DefaultRootWindow(connection_));
  RROutput output = resources && resources->noutput > 0 ? resources->outputs[0] : None;
  monitor.noutput = output ? 1 : 0;
  monitor.outputs = &output;
  XRRSetMonitor(connection_, DefaultRootWindow(connection_), &monitor);
  if (resources) XRRFreeScreenResources(resources);
  monitor.name = XInternAtom(connection_, "SECOND-RIGHT", False);
  monitor.primary = False;
  monitor.noutput = 0;
  monitor.x = options_.width;
  XRRSetMonitor(connection_, DefaultRootWindow(connection_), &monitor);
  XSync(connection_, False);
}

void XServer::startWindowManager() {
  char pattern[] = "/tmp/lumetra-wm-XXXXXX";
  if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  home_ = pattern;
  SpawnOptions spawnOptions;
  // Openbox announces itself on the root window before it manages windows;
  // its start-up command runs only once it does, so a window mapped after
  // that always gets its frame.
  const std::filesystem::path ready = home_ / "ready";
  // With the kiosk session's configuration, as a till runs it (see
  // lumetra-kiosk-session): every window test also shows that the shell
  // needs nothing of the window manager that the session takes away.
  const std::string packaging = LUMETRA_SOURCE_DIR "/packaging";
  spawnOptions.arguments = {"openbox",       "--sm-disable",
                            "--config-file", packaging + "/openbox/rc.xml",
                            "--startup",     "touch '" + ready.string() + "'"};
  spawnOptions.environment = {
      {"DISPLAY", display_}, {"HOME", home_.string()}, {"XDG_CONFIG_HOME", packaging}, {"XDG_CONFIG_DIRS", packaging}};
  spawnOptions.errorFile = home_ / "openbox.log";
  windowManager_ = spawn(spawnOptions);
  if (windowManager_ < 0 || !eventually([&] { return std::filesystem::exists(ready); })) {
    throw std::runtime_error("openbox did not start on " + display_);
  }
}

}  // namespace lumetra::e2e
