// lumetra-virtual-printer: a receipt printer without paper, for developing
// and demonstrating Lumetra with no hardware attached.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <iostream>

#include "cups_backend.h"
#include "glyph_font.h"
#include "options.h"
#include "print_session.h"
#include "printer_server.h"
#include "receipt_folder.h"
#include "stream_input.h"

namespace vp = lumetra::virtual_printer;

namespace {

int stopPipe[2] = {-1, -1};

void requestStop(int) {
  const char byte = 0;
  [[maybe_unused]] const ssize_t ignored = write(stopPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the listener cleanly, finishing open connections.
void installStopSignals() {
  if (pipe2(stopPipe, O_CLOEXEC) != 0) throw std::runtime_error("cannot create a pipe");
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

void announce(const std::filesystem::path& transcript, const std::filesystem::path* picture) {
  std::cout << "printed " << transcript.string();
  if (picture) std::cout << " " << picture->string();
  std::cout << std::endl;
}

int printInput(const vp::Options& options, vp::ReceiptFolder& folder) {
  vp::PrintSession session(options.input == "-" ? "standard input" : "file " + *options.input, folder,
                           options.paperDots);
  if (*options.input == "-") {
    vp::printStream(std::cin, session);
    return 0;
  }
  std::ifstream file(*options.input, std::ios::binary);
  if (!file) {
    std::cerr << "lumetra-virtual-printer: cannot read " << *options.input << "\n";
    return 1;
  }
  vp::printStream(file, session);
  return 0;
}

int listen(const vp::Options& options, vp::ReceiptFolder& folder) {
  installStopSignals();
  vp::PrinterServer printer(options.printer, folder, std::cout);
  std::string error;
  if (!printer.open(error)) {
    std::cerr << "lumetra-virtual-printer: " << error << "\n";
    return 1;
  }
  std::cout << "listening on " << printer.printerAddress() << ", printing into " << options.output.string() << "\n";
  if (options.printer.control) std::cout << "control on " << printer.controlAddress() << "\n";
  std::cout << std::flush;
  printer.serve(stopPipe[0]);
  return 0;
}

int run(const vp::Options& options) {
  const vp::GlyphFont font(options.font);
  const vp::ReceiptRenderer renderer(font);
  vp::ReceiptFolder folder(options.output, renderer, announce);
  return options.input ? printInput(options, folder) : listen(options, folder);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (vp::isBackendInvocation(argv[0])) {
    return vp::runCupsBackend(arguments, vp::kDefaultFontFile);
  }
  std::string error;
  const std::optional<vp::Options> options = vp::parseOptions(arguments, error);
  if (!options) {
    std::cerr << "lumetra-virtual-printer: " << error << "\n" << vp::kUsage;
    return 2;
  }
  if (options->help) {
    std::cout << vp::kUsage;
    return 0;
  }
  try {
    return run(*options);
  } catch (const std::exception& failure) {
    std::cerr << "lumetra-virtual-printer: " << failure.what() << "\n";
    return 1;
  }
}
