#include "support/test_context.h"

#include <stdexcept>
#include <string>
#include <thread>

#include "app/notice/printer_trouble_text.h"
#include "functions/window_function_table.h"
#include "platform/desktop/helper_dialogs.h"

namespace lumetra::test {

PrinterSession& sessionOf(Printers& printers, const std::u16string& name) {
  PrinterSession* session = PrinterTables(printers).session(name);
  if (!session) throw std::length_error("the printer registry is full");
  return *session;
}

CallResult callFunction(Context& context, std::string_view name, const CallArguments& arguments) {
  const WindowFunctionHandler* handler = findWindowFunction(name);
  if (!handler) throw std::invalid_argument("no window function " + std::string(name));
  return handler->execute(context, arguments);
}

DeliveryTimings quickDeliveryTimings() {
  using std::chrono::milliseconds;
  return DeliveryTimings{.ticket = {.connectWait = milliseconds(100),
                                    .answerWait = milliseconds(300),
                                    .silenceLimit = std::chrono::seconds(2),
                                    .statusWait = milliseconds(100),
                                    .statusEvery = milliseconds(100),
                                    .processIdWait = milliseconds(500),
                                    .peerEndWait = milliseconds(200)},
                         .retryInterval = milliseconds(100),
                         .longestBackoff = milliseconds(400),
                         .queueWatchInterval = milliseconds(100),
                         .holdAfter = std::chrono::seconds(3600),
                         .backupAfter = milliseconds(600),
                         .backups = {}};
}

std::string staffReason(const PrinterBacklog& backlog) { return std::string(shell::troubleText(backlog.trouble)); }

BacklogListener BacklogRecorder::listener() {
  return [this](BacklogReport report) {
    std::lock_guard lock(mutex_);
    for (const PrinterBacklog& printer : report.printers) reasons_.emplace(printer.printer, staffReason(printer));
    last_ = std::move(report.printers);
    targets_ = std::move(report.targets);
    changed_.notify_all();
  };
}

std::vector<PrinterBacklog> BacklogRecorder::last() const {
  std::lock_guard lock(mutex_);
  return last_;
}

std::vector<PrinterKey> BacklogRecorder::targets() const {
  std::lock_guard lock(mutex_);
  return targets_;
}

std::set<std::string> BacklogRecorder::reasonsSeen(const std::string& printer) const {
  std::lock_guard lock(mutex_);
  std::set<std::string> reasons;
  for (const auto& [name, reason] : reasons_) {
    if (name == printer) reasons.insert(reason);
  }
  return reasons;
}

std::vector<PrinterBacklog> BacklogRecorder::waitFor(
    const std::function<bool(const std::vector<PrinterBacklog>&)>& done) const {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, std::chrono::seconds(30), [&] { return done(last_); });
  return last_;
}

void startQuickDelivery(Context& context, const std::filesystem::path& folder, BacklogRecorder& backlog) {
  context.jobs.timings = quickDeliveryTimings();
  context.jobs.onBacklogChanged = backlog.listener();
  startDelivery(context.jobs, folder);
}

bool waitUntilDelivered(const PrintJobs& jobs) {
  const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (jobs.outbox.waiting() != 0) {
    if (std::chrono::steady_clock::now() > guard) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

platform::DialogAnswer EnvironmentDialogs::show(std::string_view caption, std::string_view text,
                                                platform::DialogButtons buttons) {
  if (const auto logged = platform::loggedDialogsFromEnvironment()) return logged->show(caption, text, buttons);
  return platform::HelperDialogs().show(caption, text, buttons);
}

std::optional<std::string> EnvironmentDialogs::chooseFile(const std::string& filterName, const std::string& pattern) {
  if (const auto logged = platform::loggedDialogsFromEnvironment()) return logged->chooseFile(filterName, pattern);
  return platform::HelperDialogs().chooseFile(filterName, pattern);
}

}  // namespace lumetra::test
