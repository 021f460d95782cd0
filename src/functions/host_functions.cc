#include "functions/host_functions.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "base/log.h"
#include "base/shell_words.h"
#include "platform/desktop/desktop_windows.h"
#include "platform/desktop/dialogs.h"
#include "platform/desktop/monitors.h"
#include "platform/process/processes.h"

namespace lumetra {
namespace {

// An empty title would match any untitled window (most helper windows have
// none), so it matches nothing.
template <void (*act)(std::string_view)>
CallResult actOnWindowByTitle(const CallArguments& args) {
  const std::string title = args.utf8(0);
  if (!title.empty()) act(title);
  return CallResult::boolean(true);
}

// The page's text only ever becomes arguments of this one program: it is
// split, never handed to a shell.
void startUpdater(const std::string& parameters) {
  // Parameters written for the Windows updater may leave a quote open: that
  // program would have taken it to run to the end, and so does this split.
  std::optional<std::vector<std::string>> words = splitShellWords(parameters);
  std::vector<std::string> arguments = words ? std::move(*words) : splitWindowsCommandLine(parameters);
  arguments.insert(arguments.begin(), kUpdaterProgram);
  if (!platform::startDetachedProcess(kUpdaterProgram, arguments, platform::ProgramLookup::asGiven)) {
    logf(LogLevel::error, "cannot start the updater %s", kUpdaterProgram);
  }
}

}  // namespace

CallResult getMonitors(Context&, const CallArguments&) { return CallResult::integer(platform::monitorCount()); }

CallResult setWindowMinisize(Context&, const CallArguments& args) {
  return actOnWindowByTitle<platform::iconifyWindowByTitle>(args);
}

CallResult closeOtherWindow(Context&, const CallArguments& args) {
  return actOnWindowByTitle<platform::closeWindowByTitle>(args);
}

// One script at a time: a second would fight the first for its port and
// files, and endNodeScript could stop only one of them.
CallResult startNodeScript(Context& context, const CallArguments&) {
  if (context.nodeScript && platform::detachedProcessRuns(*context.nodeScript)) {
    logf(LogLevel::notice, "%s %s already runs (process %d): not started again", kNodeProgram, kNodeScript,
         *context.nodeScript);
    return CallResult::undefined();
  }
  context.nodeScript =
      platform::startDetachedProcess(kNodeProgram, {kNodeProgram, kNodeScript}, platform::ProgramLookup::searchPath);
  if (!context.nodeScript) logf(LogLevel::error, "cannot start %s %s", kNodeProgram, kNodeScript);
  return CallResult::undefined();
}

// Ends the script outright, and whatever it started in its session with it,
// so no worker of the script keeps a port or a file open after it.
CallResult endNodeScript(Context& context, const CallArguments&) {
  if (auto process = std::exchange(context.nodeScript, std::nullopt)) platform::killDetachedProcess(*process);
  return CallResult::undefined();
}

CallResult downloadUpdate(Context& context, const CallArguments& args) {
  const auto answer = context.printers.dialogs.show(kUpdaterCaption, kUpdaterQuestion, platform::DialogButtons::yesNo);
  if (answer == platform::DialogAnswer::yes) startUpdater(args.utf8(0));
  return CallResult::boolean(true);
}

CallResult selectFile(Context& context, const CallArguments&) {
  if (auto path = context.printers.dialogs.chooseFile("MP3文件", "*.mp3")) return CallResult::string(std::move(*path));
  return CallResult::undefined();
}

}  // namespace lumetra
