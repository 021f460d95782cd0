#include "app/shell_main.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/browser_client.h"
#include "app/downloads.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/shell_settings.h"
#include "app/splash.h"
#include "app/web_context.h"
#include "platform/desktop/dialogs.h"
#include "platform/process/helper_process.h"
#include "platform/process/instance_lock.h"

namespace lumetra::shell {
namespace {

// The web process starts this executable for its helper modes, and WebKit
// loads the web extension from the same folder.
std::filesystem::path exportExecutablePath() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    std::fprintf(stderr, "lumetra: cannot find its own executable: %s\n", error.message().c_str());
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

}  // namespace

int runShell(int argc, char** argv) {
  const std::filesystem::path executableDirectory = exportExecutablePath();
  const std::filesystem::path startupDirectory = currentDirectory();
  const ShellSwitches switches = readSwitches(argc, argv);
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "lumetra: cannot open the display\n");
    return 1;
  }
  // Chosen once: on screen, or logged in headless runs and tests.
  static GtkDialogs onScreenDialogs;
  static const std::unique_ptr<platform::LoggedDialogs> loggedDialogs = platform::loggedDialogsFromEnvironment();
  platform::Dialogs& dialogs = loggedDialogs ? *loggedDialogs : static_cast<platform::Dialogs&>(onScreenDialogs);
  setDefaultIcon();
  const WebSetup setup = createWebSetup(startupDirectory, executableDirectory, switches);
  handleDownloads(setup.context, dialogs.attended());

  Splash splash;
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

  GtkWindow* window = createMainWindow();
  BrowserClient client(setup, startupDirectory);
  client.createMainBrowser(window, startPage());
  showMinimised(window);
  gtk_main();
  return 0;
}

}  // namespace lumetra::shell
