#include "app/shell_main.h"

#include <gtk/gtk.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/browser_client.h"
#include "app/downloads.h"
#include "app/helpers/message_box.h"
#include "app/main_window.h"
#include "app/shell_config.h"
#include "app/shell_settings.h"
#include "app/splash.h"
#include "app/startup_checks.h"
#include "app/web_context.h"
#include "base/log.h"
#include "platform/desktop/desktop_windows.h"
#include "platform/desktop/dialogs.h"
#include "platform/process/helper_process.h"
#include "platform/process/instance_lock.h"

namespace lumetra::shell {
namespace {

// The web process starts this executable for its helper modes.
std::filesystem::path exportExecutablePath() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    logf(LogLevel::warning, "cannot find its own executable: %s", error.message().c_str());
    return {};
  }
  ::setenv(platform::kExecutableVariable, executable.c_str(), 1);
  return executable.parent_path();
}

std::filesystem::path currentDirectory() {
  std::error_code error;
  std::filesystem::path directory = std::filesystem::current_path(error);
  return error ? std::filesystem::path() : directory;
}

// The configured working folder becomes the current one, which every
// relative path (dev/, console.log, cache/, node-service/) starts from.
void enterWorkingFolder(const std::filesystem::path& folder) {
  if (folder.empty() || ::chdir(folder.c_str()) == 0) return;
  logf(LogLevel::warning, "cannot enter the working folder %s (%s); staying in %s", folder.c_str(),
       std::strerror(errno), currentDirectory().c_str());
}

// On a Wayland desktop the window and monitor functions need X: with
// XWayland there, the shell's own windows go through it too, so what the
// page's functions find and move are the shell's windows.
void chooseDisplayBackend() {
  const char* x = std::getenv("DISPLAY");
  if (x && *x) {
    gdk_set_allowed_backends("x11");
    return;
  }
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland && *wayland) {
    logf(LogLevel::warning,
         "no X server (DISPLAY is unset): running as a plain Wayland client; window "
         "placement and the window and monitor functions need XWayland");
  }
}

void setDefaultIcon() {
  if (GdkPixbuf* icon = gdk_pixbuf_new_from_resource("/lumetra/app/lumetra.png", nullptr)) {
    gtk_window_set_default_icon(icon);
    g_object_unref(icon);
  }
}

// Keeps the loop running until the splash has done its maximising.
void waitForSplash(Splash& splash) {
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  bool finished = false;
  splash.whenFinished([&] {
    finished = true;
    g_main_loop_quit(loop);
  });
  if (!finished) g_main_loop_run(loop);
  g_main_loop_unref(loop);
}

StartupReport reportStartupProblems(const std::filesystem::path& executableFolder,
                                    const std::optional<std::filesystem::path>& extensionFolder,
                                    const std::filesystem::path& workingFolder) {
  StartupReport report = checkStartup(extensionFolder, extensionFolders(executableFolder), workingFolder);
  for (const std::string& line : report.errorLines) logf(LogLevel::warning, "%s", line.c_str());
  return report;
}

void tellStaff(platform::Dialogs& dialogs, const std::string& text) {
  if (!text.empty()) dialogs.show(kMessageCaption, text, platform::DialogButtons::ok);
}

}  // namespace

int runShell(int argc, char** argv) {
  const ShellConfig config = readShellConfig(configFiles());
  enterWorkingFolder(config.workingFolder);
  const std::filesystem::path executableFolder = exportExecutablePath();
  const std::filesystem::path startupDirectory = currentDirectory();
  const std::optional<std::filesystem::path> extensionFolder = findExtensionFolder(executableFolder);
  const ShellSwitches switches = readSwitches(argc, argv);
  chooseDisplayBackend();
  if (!gtk_init_check(&argc, &argv)) {
    logf(LogLevel::error, "cannot open the display");
    return 1;
  }
  // Chosen once: on screen, or logged in headless runs and tests.
  static GtkDialogs onScreenDialogs;
  static const std::unique_ptr<platform::LoggedDialogs> loggedDialogs = platform::loggedDialogsFromEnvironment();
  platform::Dialogs& dialogs = loggedDialogs ? *loggedDialogs : static_cast<platform::Dialogs&>(onScreenDialogs);
  setDefaultIcon();
  const WebSetup setup = createWebSetup(startupDirectory, extensionFolder.value_or(executableFolder), switches, config);
  handleDownloads(setup.context, dialogs.attended());

  GtkWindow* window = nullptr;
  std::string staffText;
  // Once the splash is gone the till is shown whatever its page's title; a
  // second start shows the running one, found by the configured title.
  Splash splash([&] {
    if (!window) return platform::maximiseWindowByTitle(config.windowTitle);
    showMaximised(window);
    tellStaff(dialogs, staffText);
  });
  if (!switches.multiThreadedMessageLoop && !splash.show(dialogs)) return 0;
  // Held until the process ends, however it ends.
  static platform::InstanceLock instance(platform::instanceLockPath(kSingleInstanceName));
  if (instance.state() == platform::InstanceLock::State::heldElsewhere) {
    dialogs.show(kMessageCaption, kAlreadyRunningText, platform::DialogButtons::ok);
    // Closing the splash maximises the running instance's main window.
    splash.close();
    waitForSplash(splash);
    return 0;
  }

  staffText = reportStartupProblems(executableFolder, extensionFolder, startupDirectory).staffText;
  window = createMainWindow();
  BrowserClient client(setup, startupDirectory, {config.consoleLogMaxBytes, config.consoleLogKeptFiles},
                       CertificateJudge(config.certificates, startupDirectory / kPinFileName));
  client.setNoticeSettings(
      {config.delivery.holdAfterMinutes, {config.delivery.backups.begin(), config.delivery.backups.end()}});
  client.createMainBrowser(window, config.startPage);
  showMinimised(window);
  if (switches.multiThreadedMessageLoop) tellStaff(dialogs, staffText);
  gtk_main();
  return 0;
}

}  // namespace lumetra::shell
