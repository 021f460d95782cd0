#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/printer_backlog.h"

namespace lumetra::shell {

// The title of the notice window that tells the staff which printers have
// tickets waiting.
inline constexpr const char* kPrinterNoticeTitle = "打印提醒";
// Printers named one by one; any further ones are counted in a last line.
inline constexpr std::size_t kPrinterNoticeMaxPrinters = 6;
// Alerts of the shell shown above the printers; later ones go to stderr only.
inline constexpr std::size_t kPrinterNoticeMaxAlerts = 4;
// Longer printer names and reasons are cut here.
inline constexpr std::size_t kPrinterNameMaxCharacters = 40;

// The code word of a printer whose tickets go to its backup.
inline constexpr const char* kMovedToBackupCode = "moved-to-backup";
// Targets offered for one printer's tickets; more would not fit the corner.
inline constexpr std::size_t kPrinterNoticeMaxTargets = 6;

// A printer as the web process lists it for the notice.
struct NoticePrinter {
  std::uint8_t kind = 0;  // PrinterKind: spooler queue or network printer
  PrinterBacklog backlog;
  std::size_t held = 0;  // of the waiting tickets, the old ones held for a decision
  bool movedToBackup = false;

  bool operator==(const NoticePrinter&) const = default;
};

// A printer the staff may send tickets to, or act on.
struct PrinterRef {
  std::uint8_t kind = 0;
  std::string name;

  bool operator==(const PrinterRef&) const = default;
};

// What the web process is told to do with a printer's tickets.
enum class PrinterAction { retry, redirect, discard, printOld, discardOld };
// The action's word in the printer action message.
const char* printerActionWord(PrinterAction action);

// What a button of the notice does: sends an action, or opens or closes a
// step before one (the targets to choose from, a confirmation).
enum class NoticeStep { send, chooseTarget, confirmDiscard, confirmDiscardOld, cancel };

struct NoticeButton {
  std::string label;
  NoticeStep step = NoticeStep::send;
  PrinterAction action = PrinterAction::retry;  // sent, or asked for, by the button
  PrinterRef printer;
  PrinterRef target;  // for a redirect

  bool operator==(const NoticeButton&) const = default;
};

// A line of the notice with the buttons beside it.
struct NoticeRow {
  std::string text;
  std::vector<NoticeButton> buttons;

  bool operator==(const NoticeRow&) const = default;
};

// The step the staff opened on one printer, kept across new lists until
// done, cancelled, or its printer has nothing left for it.
struct OpenStep {
  NoticeStep step = NoticeStep::chooseTarget;
  PrinterRef printer;

  bool operator==(const OpenStep&) const = default;
};

// What the notice knows from the shell's own settings.
struct NoticeSettings {
  std::uint64_t holdAfterMinutes = 60;         // [delivery] hold_after_minutes
  std::map<std::string, std::string> backups;  // [backup] PRINTER = OTHER
};

// The notice's lines, a heading and a line per printer with the buttons the
// staff may press, times in the local time zone; empty when no printer has
// anything to show.
std::vector<NoticeRow> printerNoticeRows(const std::vector<NoticePrinter>& printers,
                                         const std::vector<PrinterRef>& targets, const NoticeSettings& settings,
                                         const std::optional<OpenStep>& open, std::int64_t nowUnixSeconds);

// The open step still applies to this list: its printer still has tickets
// for it.
bool stepStillOpen(const OpenStep& open, const std::vector<NoticePrinter>& printers);

// The rows' lines, one a line.
std::string noticeRowsText(const std::vector<NoticeRow>& rows);

// The notice's line telling the staff that a server's certificate was
// refused: someone may be posing as the shop's server.
std::string certificateRefusedNotice(const std::string& host);

// Longer origin names are cut here; an installer must still read which one
// to add.
inline constexpr std::size_t kOriginNameMaxCharacters = 120;

// The notice's line while the till's main window shows a page whose origin
// is not trusted, so that the staff know why the till cannot print and an
// installer sees which origin to add.
std::string untrustedPageLine(std::string_view originName);

struct ScreenArea {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const ScreenArea&) const = default;
};

// Where a notice of the given natural size goes in the primary monitor's
// work area: its bottom-right corner, a margin from the edges, and never
// over the centre, where the till's order and buttons are. Too large a
// notice is cut down to fit.
ScreenArea placePrinterNotice(ScreenArea workArea, int naturalWidth, int naturalHeight);

}  // namespace lumetra::shell
