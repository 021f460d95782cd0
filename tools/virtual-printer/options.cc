#include "options.h"

#include <charconv>

#include "glyph_font.h"

namespace lumetra::virtual_printer {
namespace {

template <typename Number>
bool parseNumber(const std::string& text, Number low, Number high, Number& value) {
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(text.data(), end, value);
  return failure == std::errc() && stop == end && value >= low && value <= high;
}

bool parseListen(const std::string& text, ListenAddress& address) {
  const std::size_t colon = text.rfind(':');
  address.host = text.substr(0, colon);
  if (colon == std::string::npos) return !address.host.empty();
  return !address.host.empty() && parseNumber<std::uint16_t>(text.substr(colon + 1), 1, 65535, address.port);
}

}  // namespace

const char* const kUsage =
    "usage: lumetra-virtual-printer [--listen ADDRESS[:PORT]] [--output FOLDER] [--paper-dots N] [--font FILE]\n"
    "       lumetra-virtual-printer --input FILE|- [--output FOLDER] [--paper-dots N] [--font FILE]\n"
    "Prints what a receipt printer would: for every cut (and at the end of each\n"
    "connection or file) a picture receipt-NNNN.png and a transcript receipt-NNNN.txt\n"
    "in FOLDER (default ./receipts); latest.png and latest.txt point at the newest.\n"
    "  --listen      address and port to take connections on (default 127.0.0.1:9100)\n"
    "  --input       print one file (or standard input, -) instead of listening\n"
    "  --paper-dots  printable width in dots: 576 for 80 mm paper (default), 384 for 58 mm\n"
    "  --font        the font for text (default: fonts-wqy-microhei)\n"
    "Installed as a CUPS backend named lumetra-virtual, a queue with the device\n"
    "lumetra-virtual:/FOLDER prints its jobs into FOLDER.\n";

std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error) {
  Options options;
  options.font = kDefaultFontFile;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    if (i + 1 >= arguments.size()) {
      error = "missing value after " + name;
      return std::nullopt;
    }
    const std::string& value = arguments[++i];
    bool valid = true;
    if (name == "--listen") valid = parseListen(value, options.listen);
    else if (name == "--input") options.input = value;
    else if (name == "--output") options.output = value;
    else if (name == "--font") options.font = value;
    else if (name == "--paper-dots") valid = parseNumber(value, 8, 4096, options.paperDots);
    else {
      error = "unknown option " + name;
      return std::nullopt;
    }
    if (!valid) {
      error = "not a valid value for " + name + ": " + value;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace lumetra::virtual_printer
