#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "printer_server.h"

namespace lumetra::virtual_printer {

inline constexpr int kDefaultPaperDots = 576;

struct Options {
  PrinterSettings printer;           // listening: address, control, buffer and how it starts
  std::optional<std::string> input;  // a file to print, "-" for standard input
  std::filesystem::path output = "receipts";
  int paperDots = kDefaultPaperDots;
  std::filesystem::path font;
  bool help = false;
};

// Reads the command line (without the program name). Returns nothing and
// sets `error` when it cannot be understood.
std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error);

extern const char* const kUsage;

}  // namespace lumetra::virtual_printer
