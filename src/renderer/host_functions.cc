#include "renderer/host_functions.h"

#include <cstdio>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/desktop_windows.h"
#include "platform/dialogs.h"
#include "platform/file_chooser.h"
#include "platform/monitors.h"
#include "platform/processes.h"
#include "platform/shell_words.h"
#include "printer/printer_registry.h"

namespace lumetra {
namespace {

// The companion script started last; earlier ones run on unremembered.
std::optional<platform::ProcessId>& nodeScriptProcess() {
  static std::optional<platform::ProcessId> process;
  return process;
}

// An empty title would match any untitled window (most helper windows have
// none), so it matches nothing.
template <void (*act)(std::string_view)>
CallResult actOnWindowByTitle(const CallArguments& args) {
  if (args.count() != 1) return CallResult::boolean(false);
  const std::string title = args.utf8(0);
  if (!title.empty()) act(title);
  return CallResult::boolean(true);
}

// The page's text only ever becomes arguments of this one program: it is
// split, never handed to a shell.
void startUpdater(const std::string& parameters) {
  // Parameters written for the Windows updater may leave a quote open: that
  // program would have taken it to run to the end, and so does this split.
  std::optional<std::vector<std::string>> words = platform::splitShellWords(parameters);
  std::vector<std::string> arguments = words ? std::move(*words) : platform::splitWindowsCommandLine(parameters);
  arguments.insert(arguments.begin(), kUpdaterProgram);
  if (!platform::startDetachedProcess(kUpdaterProgram, arguments, platform::ProgramLookup::asGiven)) {
    std::fprintf(stderr, "lumetra: cannot start the updater %s\n", kUpdaterProgram);
  }
}

}  // namespace

CallResult getMonitors(const CallArguments&) { return CallResult::integer(platform::monitorCount()); }

CallResult setWindowMinisize(const CallArguments& args) {
  std::lock_guard lock(printerLock());
  return actOnWindowByTitle<platform::iconifyWindowByTitle>(args);
}

CallResult closeOtherWindow(const CallArguments& args) {
  return actOnWindowByTitle<platform::closeWindowByTitle>(args);
}

CallResult startNodeScript(const CallArguments&) {
  nodeScriptProcess() =
      platform::startDetachedProcess(kNodeProgram, {kNodeProgram, kNodeScript}, platform::ProgramLookup::searchPath);
  if (!nodeScriptProcess()) std::fprintf(stderr, "lumetra: cannot start %s %s\n", kNodeProgram, kNodeScript);
  return CallResult::undefined();
}

// Ends the script outright, and whatever it started in its session with it,
// so no worker of the script keeps a port or a file open after it.
CallResult endNodeScript(const CallArguments&) {
  if (auto process = std::exchange(nodeScriptProcess(), std::nullopt)) platform::killDetachedProcess(*process);
  return CallResult::undefined();
}

CallResult downloadUpdate(const CallArguments& args) {
  std::lock_guard lock(printerLock());
  if (args.count() != 1) return CallResult::boolean(false);
  const auto answer = platform::showDialog(kUpdaterCaption, kUpdaterQuestion, platform::DialogButtons::yesNo);
  if (answer == platform::DialogAnswer::yes) startUpdater(args.utf8(0));
  return CallResult::boolean(true);
}

CallResult selectFile(const CallArguments&) {
  if (auto path = platform::chooseExistingFile("MP3文件", "*.mp3")) return CallResult::string(std::move(*path));
  return CallResult::undefined();
}

}  // namespace lumetra
