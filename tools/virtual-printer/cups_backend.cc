#include "cups_backend.h"

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "glyph_font.h"
#include "options.h"
#include "print_session.h"
#include "receipt_folder.h"
#include "stream_input.h"

namespace lumetra::virtual_printer {
namespace {

// CUPS backend exit statuses.
constexpr int kBackendOk = 0;
constexpr int kBackendFailed = 1;

// A raw job handed over as a file is the backend's to repeat for copies;
// a bound keeps a mistyped count from filling the disk.
constexpr int kMostCopies = 100;

std::filesystem::path folderFromDeviceUri() {
  const char* uri = std::getenv("DEVICE_URI");
  const std::string prefix = std::string(kBackendScheme) + ":";
  if (!uri || std::string_view(uri).substr(0, prefix.size()) != prefix) return {};
  std::filesystem::path folder = std::string(uri).substr(prefix.size());
  return folder.is_absolute() ? folder : std::filesystem::path();
}

int printJob(const std::vector<std::string>& arguments, ReceiptFolder& folder) {
  const std::string source = "CUPS job " + arguments[0] + " \"" + arguments[2] + "\" from " + arguments[1];
  if (arguments.size() == 5) {
    PrintSession session(source, folder, kDefaultPaperDots);
    printStream(std::cin, session);
    return kBackendOk;
  }
  const int copies = std::clamp(std::atoi(arguments[3].c_str()), 1, kMostCopies);
  for (int copy = 0; copy < copies; ++copy) {
    std::ifstream file(arguments[5], std::ios::binary);
    if (!file) {
      std::cerr << "ERROR: cannot read " << arguments[5] << "\n";
      return kBackendFailed;
    }
    PrintSession session(source, folder, kDefaultPaperDots);
    printStream(file, session);
  }
  return kBackendOk;
}

}  // namespace

bool isBackendInvocation(const std::string& argv0) {
  return std::filesystem::path(argv0).filename() == kBackendScheme ||
         argv0.starts_with(std::string(kBackendScheme) + ":");
}

int runCupsBackend(const std::vector<std::string>& arguments, const std::filesystem::path& font) {
  if (arguments.empty()) {
    std::cout << "direct " << kBackendScheme << " \"Lumetra Virtual Receipt Printer\" "
              << "\"Lumetra virtual receipt printer (pictures in a folder)\"\n";
    return kBackendOk;
  }
  if (arguments.size() != 5 && arguments.size() != 6) {
    std::cerr << "Usage: " << kBackendScheme << " job-id user title copies options [file]\n";
    return kBackendFailed;
  }
  const std::filesystem::path folderPath = folderFromDeviceUri();
  if (folderPath.empty()) {
    std::cerr << "ERROR: the device URI must be " << kBackendScheme << ":/absolute/folder\n";
    return kBackendFailed;
  }
  try {
    const GlyphFont glyphs(font);
    const ReceiptRenderer renderer(glyphs);
    ReceiptFolder folder(folderPath, renderer,
                         [](const std::filesystem::path& transcript, const std::filesystem::path*) {
                           std::cerr << "INFO: printed " << transcript.string() << "\n";
                         });
    return printJob(arguments, folder);
  } catch (const std::exception& failure) {
    std::cerr << "ERROR: " << failure.what() << "\n";
    return kBackendFailed;
  }
}

}  // namespace lumetra::virtual_printer
