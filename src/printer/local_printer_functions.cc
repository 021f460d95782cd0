#include "printer/local_printer_functions.h"

#include <array>
#include <mutex>

#include "platform/dialogs.h"
#include "platform/spooler.h"
#include "platform/utf.h"
#include "printer/ansi_text.h"
#include "printer/model_config_loader.h"
#include "printer/printer_registry.h"
#include "printer/session_handle.h"

namespace lumetra {
namespace {

using platform::spooler;

// Conditions under which a printer cannot print now, and the job conditions
// that block a job the printer is working on.
constexpr std::uint32_t kPrinterErrorMask =
    platform::printer_status::kError | platform::printer_status::kPaperJam |
    platform::printer_status::kPaperOut | platform::printer_status::kPaperProblem |
    platform::printer_status::kOffline | platform::printer_status::kOutputBinFull |
    platform::printer_status::kNotAvailable | platform::printer_status::kNoToner |
    platform::printer_status::kOutOfMemory | platform::printer_status::kDoorOpen;
constexpr std::uint32_t kJobErrorMask = platform::job_status::kError | platform::job_status::kOffline |
                                        platform::job_status::kPaperOut | platform::job_status::kBlockedDevq;

// ESC p: pulse drawer pin m for t1 on, t2 off. One for the whole process,
// deliberately not per model: pages set the pulse once for the shop's drawer.
std::array<std::uint8_t, 5>& cashDrawerCommand() {
  static std::array<std::uint8_t, 5> command{0x1B, 0x70, 0x01, 0x32, 0x32};
  return command;
}

void writeTableCommand(const PrinterSession& session, std::size_t offset, std::size_t length) {
  spooler().write(session.handle, session.commands.command(offset, length));
}

// The feed amount is in units of 1/7 line, kept modulo 256 like the byte
// it goes into.
std::uint8_t feedUnits(std::uint32_t lines) { return static_cast<std::uint8_t>(lines * 7u); }

bool isPseudoPrinter(const std::u16string& name) {
  return name.find(u"Microsoft") != std::u16string::npos || name.find(u"Fax") != std::u16string::npos;
}

// A spooler that cannot be reached cannot print either: the till must not
// be told all is well.
bool spoolerUnreachable() { return spooler().lastError() == platform::spooler_error::kServiceUnavailable; }

bool printerReportsError(platform::PrinterHandle handle) {
  const std::optional<platform::PrinterDetails> details = spooler().printerDetails(handle);
  if (!details) {
    return spoolerUnreachable() || (handle == platform::kNoPrinterHandle && !spooler().ensureServiceRunning());
  }
  // A printer that reports an error is in error even when its jobs cannot
  // be listed.
  if (details->status & kPrinterErrorMask) return true;
  const auto jobs = spooler().jobStatuses(handle, details->jobCount);
  if (!jobs) return spoolerUnreachable();
  for (std::uint32_t job : *jobs) {
    if ((job & platform::job_status::kPrinting) && (job & kJobErrorMask)) return true;
  }
  return false;
}

}  // namespace

CallResult getPrinterList(const CallArguments&) {
  if (!spooler().ensureServiceRunning()) {
    platform::showDialog("提示", "打印机检索服务失败！请检查!");
    return CallResult::strings({});
  }
  const std::vector<std::u16string> names = spooler().printerNames();
  if (names.empty()) return CallResult::undefined();
  CallResult::Strings printers;
  for (const std::u16string& name : names) {
    if (!isPseudoPrinter(name)) printers.push_back(platform::utf16ToUtf8(name));
  }
  return CallResult::strings(std::move(printers));
}

CallResult openPrinter(const CallArguments& arguments) {
  // The pending-task retry prints from its own thread through these same
  // sessions, so even opening and closing must not change them under it.
  const std::lock_guard lock(printerLock());
  if (arguments.count() != 1) return CallResult::boolean(false);
  const std::u16string name = arguments.string(0);
  return CallResult::boolean(openSessionHandle(findOrCreateSession(name), name));
}

CallResult openPrinterWithModel(const CallArguments& arguments) {
  const std::lock_guard lock(printerLock());
  if (arguments.count() != 2) return CallResult::boolean(false);
  const std::u16string name = arguments.string(0);
  PrinterSession& session = findOrCreateSession(name);
  if (!openSessionHandle(session, name)) return CallResult::boolean(false);
  session.modelName = arguments.string(1);
  loadModelConfig(name, session.modelName);
  return CallResult::boolean(true);
}

CallResult closeCurPrinter(const CallArguments& arguments) {
  const std::lock_guard lock(printerLock());
  if (arguments.count() != 1) return CallResult::boolean(false);
  const std::u16string name = arguments.string(0);
  PrinterSession& session = findOrCreateSession(name);
  if (session.isOpen()) {
    spooler().close(session.handle);
    printerRegistry().erase(name);
  }
  return CallResult::undefined();
}

CallResult printText(const CallArguments& arguments) {
  std::lock_guard lock(printerLock());
  if (arguments.count() < 2) return CallResult::boolean(false);
  PrinterSession& session = findOrCreateSession(arguments.string(0));
  if (!session.isOpen()) return CallResult::boolean(false);

  PrinterModelConfig& table = session.commands;
  if (arguments.count() == 3) {
    const std::u16string mode = arguments.string(2);
    if (mode == u"zoomIn") {
      table[model_offset::kSizeValue] = table[model_offset::kWideTallSize];
    } else if (mode == u"zoomH") {
      table[model_offset::kSizeValue] = table[model_offset::kTallSize];
    } else if (mode == u"zoomW") {
      table[model_offset::kSizeValue] = table[model_offset::kWideSize];
    }
    writeTableCommand(session, model_offset::kSize, model_length::kSize);
  }
  const std::string text = toAnsiBytes(arguments.string(1));
  table[model_offset::kSizeValue] = 0;
  spooler().write(session.handle, bytesUpToNul(text));
  writeTableCommand(session, model_offset::kSize, model_length::kSize);
  return CallResult::boolean(true);
}

CallResult openCashDraw(const CallArguments& arguments) {
  std::lock_guard lock(printerLock());
  if (arguments.count() == 0) return CallResult::boolean(false);
  const PrinterSession& session = findOrCreateSession(arguments.string(0));
  if (!session.isOpen()) return CallResult::boolean(false);
  std::array<std::uint8_t, 5>& command = cashDrawerCommand();
  if (arguments.count() == 4) {
    for (std::size_t i = 1; i <= 3; ++i) command[i + 1] = static_cast<std::uint8_t>(arguments.integer(i));
  }
  spooler().write(session.handle, std::string(command.begin(), command.end()));
  return CallResult::boolean(true);
}

CallResult cutPaper(const CallArguments& arguments) {
  std::lock_guard lock(printerLock());
  if (arguments.count() == 0) return CallResult::boolean(false);
  PrinterSession& session = findOrCreateSession(arguments.string(0));
  if (!session.isOpen()) return CallResult::boolean(false);
  if (arguments.count() == 2) {
    // Only the presence of the second argument counts, never its value.
    session.commands[model_offset::kCutMode] = session.commands[model_offset::kCutAlternative];
  }
  if (arguments.count() <= 2) writeTableCommand(session, model_offset::kCut, model_length::kCut);
  return CallResult::boolean(true);
}

CallResult rollPaper(const CallArguments& arguments) {
  std::lock_guard lock(printerLock());
  if (arguments.count() != 2) return CallResult::boolean(false);
  PrinterSession& session = findOrCreateSession(arguments.string(0));
  if (!session.isOpen()) return CallResult::boolean(false);

  PrinterModelConfig& table = session.commands;
  if (const std::uint8_t preFeedLines = table[model_offset::kPreFeedLines]; preFeedLines != 0) {
    table[model_offset::kFeedAmount] = feedUnits(preFeedLines);
    const auto repeat = static_cast<std::int8_t>(table[model_offset::kPreFeedRepeat]);
    for (int i = 0; i < repeat; ++i) writeTableCommand(session, model_offset::kFeed, model_length::kFeed);
  }
  table[model_offset::kFeedAmount] = feedUnits(static_cast<std::uint32_t>(arguments.integer(1)));
  writeTableCommand(session, model_offset::kFeed, model_length::kFeed);
  return CallResult::boolean(true);
}

CallResult getPrinterStatus(const CallArguments& arguments) {
  std::lock_guard lock(printerLock());
  if (arguments.count() != 1) return CallResult::boolean(false);
  // The handle as it is: a printer that is not open has nothing to report.
  const PrinterSession& session = findOrCreateSession(arguments.string(0));
  return CallResult::boolean(!printerReportsError(session.handle));
}

}  // namespace lumetra
