#include "e2e/support/shell.h"

#include <sys/stat.h>

#include <atomic>

#include "e2e/support/processes.h"

namespace lumetra::e2e {

std::string pageUrl(std::string_view page) {
  return "file://" + std::string(LUMETRA_SOURCE_DIR) + "/tests/e2e/pages/" + std::string(page);
}

ShellHome::ShellHome() {
  ::chmod(directory().c_str(), 0700);
  std::filesystem::copy(std::filesystem::path(LUMETRA_SOURCE_DIR) / "dev", directory() / "dev");
}

std::string ShellHome::consoleText() const { return readText(consoleLog()); }

bool ShellHome::waitForConsole(std::string_view text) const {
  return eventually([&] { return consoleText().find(text) != std::string::npos; });
}

std::map<std::string, std::string> ShellHome::homeEnvironment() const {
  const std::string home = directory().string();
  return {{"HOME", home},
          {"XDG_RUNTIME_DIR", home},
          {"XDG_CONFIG_HOME", home + "/config"},
          {"XDG_CACHE_HOME", home + "/cache-home"},
          {"XDG_DATA_HOME", home + "/data-home"},
          {"XDG_STATE_HOME", home + "/state-home"},
          {"LUMETRA_SYSTEM_CONFIG", home + "/etc-lumetra.conf"},
          {"NO_AT_BRIDGE", "1"}};
}

std::map<std::string, std::string> ShellHome::environment(const std::string& display) const {
  std::map<std::string, std::string> environment = homeEnvironment();
  environment.insert({{"DISPLAY", display},
                      {"WAYLAND_DISPLAY", ""},
                      {"LUMETRA_DIALOG_LOG", dialogLog().string()},
                      {"LUMETRA_TRACE_MESSAGES", "1"},
                      {"LUMETRA_START_PAGE", ""}});
  // A sanitizer build's runtime, into the shell and from there into WebKit's
  // web process, which loads the instrumented web extension.
  if (*LUMETRA_SANITIZER_RUNTIME) environment.insert({"LD_PRELOAD", LUMETRA_SANITIZER_RUNTIME});
  return environment;
}

Shell::Shell(const std::string& display, const ShellHome& home, Options options) {
  static std::atomic<int> runs{0};
  errorFile_ = home.directory() / ("stderr-" + std::to_string(runs++) + ".txt");
  SpawnOptions spawnOptions;
  spawnOptions.arguments = {options.executable.string()};
  spawnOptions.arguments.insert(spawnOptions.arguments.end(), options.switches.begin(), options.switches.end());
  spawnOptions.environment = home.environment(display);
  spawnOptions.environment["LUMETRA_START_PAGE"] = options.startPage;
  for (const auto& [name, value] : options.environment) spawnOptions.environment[name] = value;
  spawnOptions.workingDirectory = home.directory();
  spawnOptions.errorFile = errorFile_;
  pid_ = spawn(spawnOptions);
}

Shell::~Shell() { stopProcess(pid_); }

std::string Shell::errors() const { return readText(errorFile_); }

std::optional<int> Shell::waitForExit(std::chrono::seconds limit) {
  const auto code = e2e::waitForExit(pid_, limit);
  if (code) pid_ = -1;
  return code;
}

}  // namespace lumetra::e2e
