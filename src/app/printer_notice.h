#pragma once

#include <cstddef>
#include <cstdint>
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

// The notice's text, a heading and a line per printer, times in the local
// time zone; empty when no printer has tickets waiting.
std::string printerNoticeText(const std::vector<PrinterBacklog>& backlogs, std::int64_t nowUnixSeconds);

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
