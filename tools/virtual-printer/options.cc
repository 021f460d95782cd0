#include "options.h"

#include "glyph_font.h"
#include "number_text.h"

namespace lumetra::virtual_printer {
namespace {

bool parseListen(const std::string& text, ListenAddress& address) {
  const std::size_t colon = text.rfind(':');
  address.host = text.substr(0, colon);
  if (colon == std::string::npos) return !address.host.empty();
  return !address.host.empty() && parseNumber<std::uint16_t>(text.substr(colon + 1), 1, 65535, address.port);
}

// The control takes commands from anyone who can reach it: loopback only,
// with the port given (0: any free one, shown when it starts).
bool parseControl(const std::string& text, std::optional<ListenAddress>& control) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || !text.starts_with("127.")) return false;
  control.emplace();
  control->host = text.substr(0, colon);
  return parseNumber<std::uint16_t>(text.substr(colon + 1), 0, 65535, control->port);
}

// Options of the printer on the network, meaningless for a file.
bool isListeningOption(const std::string& name) {
  return name == "--control" || name == "--buffer-bytes" || name == "--paper-lines" || name == "--near-end-lines" ||
         name == "--paper-out" || name == "--cover-open";
}

}  // namespace

const char* const kUsage =
    "usage: lumetra-virtual-printer [--listen ADDRESS[:PORT]] [--output FOLDER] [--paper-dots N] [--font FILE]\n"
    "           [--control 127.X.Y.Z:PORT] [--buffer-bytes N] [--paper-lines N] [--near-end-lines M]\n"
    "           [--paper-out] [--cover-open]\n"
    "       lumetra-virtual-printer --input FILE|- [--output FOLDER] [--paper-dots N] [--font FILE]\n"
    "Prints what a receipt printer would: for every cut (and at the end of each\n"
    "connection or file) a picture receipt-NNNN.png and a transcript receipt-NNNN.txt\n"
    "in FOLDER (default ./receipts); latest.png and latest.txt point at the newest.\n"
    "  --listen          address and port to take connections on (default 127.0.0.1:9100)\n"
    "  --input           print one file (or standard input, -) instead of listening\n"
    "  --paper-dots      printable width in dots: 576 for 80 mm paper (default), 384 for 58 mm\n"
    "  --font            the font for text (default: fonts-wqy-microhei)\n"
    "  --control         a loopback address and port (0: any free one) taking the commands\n"
    "                    paper-out, paper-in, cover-open, cover-close, stall, resume,\n"
    "                    slow BYTES MS, power-off, power-on, status: one a line, or as\n"
    "                    HTTP GET /paper-out, /slow/16/500 ...\n"
    "  --buffer-bytes    the receive buffer of each connection (default 4096)\n"
    "  --paper-lines     lines a roll of paper holds (default: it never runs out)\n"
    "  --near-end-lines  paper is near its end with fewer lines left (default 20)\n"
    "  --paper-out       start without paper\n"
    "  --cover-open      start with the cover open\n"
    "Installed as a CUPS backend named lumetra-virtual, a queue with the device\n"
    "lumetra-virtual:/FOLDER prints its jobs into FOLDER.\n";

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error) {
  Options options;
  options.font = kDefaultFontFile;
  PrinterCondition& condition = options.printer.condition;
  bool paperOut = false;
  bool listening = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    listening = listening || isListeningOption(name);
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    if (name == "--paper-out" || name == "--cover-open") {
      (name == "--paper-out" ? paperOut : condition.coverOpen) = true;
      continue;
    }
    if (i + 1 >= arguments.size()) {
      error = "missing value after " + name;
      return std::nullopt;
    }
    const std::string& value = arguments[++i];
    bool valid = true;
    if (name == "--listen")
      valid = parseListen(value, options.printer.listen);
    else if (name == "--control")
      valid = parseControl(value, options.printer.control);
    else if (name == "--input")
      options.input = value;
    else if (name == "--output")
      options.output = value;
    else if (name == "--font")
      options.font = value;
    else if (name == "--paper-dots")
      valid = parseNumber(value, 8, 4096, options.paperDots);
    else if (name == "--buffer-bytes")
      valid = parseNumber<std::size_t>(value, 64, 1 << 20, options.printer.bufferBytes);
    else if (name == "--paper-lines")
      valid = parseNumber(value, 1, 1000000, condition.rollLines.emplace());
    else if (name == "--near-end-lines")
      valid = parseNumber(value, 0, 1000000, condition.nearEndLines);
    else {
      error = "unknown option " + name;
      return std::nullopt;
    }
    if (!valid) {
      error = "not a valid value for " + name + ": " + value;
      return std::nullopt;
    }
  }
  if (options.input && listening) {
    error = "--control and the paper, buffer and cover options are for a listening printer, not with --input";
    return std::nullopt;
  }
  condition.linesLeft = paperOut ? std::optional<int>(0) : condition.rollLines;
  options.printer.paperDots = options.paperDots;
  return options;
}

}  // namespace lumetra::virtual_printer
