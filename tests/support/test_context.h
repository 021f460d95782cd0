#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/call_frame.h"
#include "functions/context.h"
#include "platform/print/spooler.h"
#include "support/recording_dialogs.h"
#include "support/recording_spooler.h"
#include "support/temp_dir.h"

namespace lumetra::test {

// Runs the window function of that name as the page would call it, with
// the table's argument count rules.
CallResult callFunction(Context& context, std::string_view name, const CallArguments& arguments);

// Delivery timings for tests: a printer that cannot be reached is tried
// again within a tenth of a second, one that takes nothing is reported
// after a few tenths, one that keeps its side open has its ticket at its
// first answer after a fifth, a spooler queue holding documents is looked
// at every tenth.
DeliveryTimings quickDeliveryTimings();

// The reason the staff read for a printer of a backlog report.
std::string staffReason(const PrinterBacklog& backlog);

// The backlog reports the delivery thread gives, as the host receives them;
// the reasons as the staff read them.
class BacklogRecorder {
 public:
  BacklogListener listener();
  // The last report.
  std::vector<PrinterBacklog> last() const;
  // The last report's targets for the staff's "send to".
  std::vector<PrinterKey> targets() const;
  // Every reason any report gave for `printer`.
  std::set<std::string> reasonsSeen(const std::string& printer) const;
  // The last report once `done` holds for it (or a hang guard has passed).
  std::vector<PrinterBacklog> waitFor(const std::function<bool(const std::vector<PrinterBacklog>&)>& done) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<PrinterBacklog> last_;
  std::vector<PrinterKey> targets_;
  std::set<std::pair<std::string, std::string>> reasons_;
};

// Starts the delivery of a context's tickets with the journal in `folder`,
// quick timings and the recorder as the host's notice.
void startQuickDelivery(Context& context, const std::filesystem::path& folder, BacklogRecorder& backlog);

// True once no ticket waits in the outbox (false after a hang guard).
bool waitUntilDelivered(const PrintJobs& jobs);

// A printer session, or all of them, as a test sets them up or looks at
// them between window function calls: the tables are held for the look-up
// only, as nothing else runs on the page's thread meanwhile. sessionOf
// makes the session when absent, as a page's opening or model call would
// (tests stay far below the registry's bound).
PrinterSession& sessionOf(Printers& printers, const std::u16string& name);
inline PrinterRegistry& sessionsOf(Printers& printers) { return PrinterTables(printers).sessions(); }
// The session of that name, null when there is none; never made.
inline PrinterSession* findSession(Printers& printers, std::u16string_view name) {
  return PrinterTables(printers).find(name);
}
inline PrinterModelConfig& kitchenCommands(Printers& printers) { return PrinterTables(printers).kitchenCommands(); }

// A web process's state for a test that is no fixture: no spooler service
// and message boxes recorded.
struct TestContextHolder {
  platform::UnavailableSpooler spooler;
  RecordingDialogs dialogs;
  Context context{spooler, dialogs};
};

// A test with a web process's state of its own: a recording spooler (with
// no printer until the test adds one), message boxes recorded, and its
// tickets delivered quickly from a journal in a folder of its own.
class ContextTest : public ::testing::Test {
 protected:
  ContextTest() { startQuickDelivery(context_, journalFolder_.path(), backlog_); }

  CallResult call(std::string_view name, const CallArguments& arguments) {
    return callFunction(context_, name, arguments);
  }

  TempDir journalFolder_;
  BacklogRecorder backlog_;
  RecordingSpooler spooler_;
  RecordingDialogs dialogs_;
  Context context_{spooler_, dialogs_};
};

// Dialogs as a web process chooses them at start-up (logged when
// LUMETRA_DIALOG_LOG is set, else on screen through the helper), chosen
// again at every box so that a test can change the environment between calls.
class EnvironmentDialogs : public platform::Dialogs {
 public:
  platform::DialogAnswer show(std::string_view caption, std::string_view text,
                              platform::DialogButtons buttons) override;
  std::optional<std::string> chooseFile(const std::string& filterName, const std::string& pattern) override;
};

// The window functions as the shell's web process runs them: no spooler,
// the host's dialogs.
class HostContext {
 public:
  CallResult call(std::string_view name, const CallArguments& arguments) {
    return callFunction(context_, name, arguments);
  }

 private:
  platform::UnavailableSpooler spooler_;
  EnvironmentDialogs dialogs_;
  Context context_{spooler_, dialogs_};
};

}  // namespace lumetra::test
