#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "piece_sink.h"
#include "receipt.h"
#include "receipt_renderer.h"

namespace lumetra::virtual_printer {

// The folder the virtual printer prints into: receipt-0001.txt and .png,
// receipt-0002..., numbered on from what the folder already holds, plus
// latest.png and latest.txt pointing at the newest (what a page can show),
// and latest.js, a script that calls virtualPrinterLatest({picture,
// transcript}) with the file names they point at (null for none yet).
class ReceiptFolder final : public PieceSink {
 public:
  using Written = std::function<void(const std::filesystem::path& transcript, const std::filesystem::path* picture)>;

  // Creates the folder when needed; throws std::filesystem::filesystem_error.
  ReceiptFolder(std::filesystem::path folder, const ReceiptRenderer& renderer, Written written = {});

  // Writes one transcript and, when given, the picture of its receipt. Each
  // file appears whole (written aside, then renamed into place).
  void write(const std::string& transcript, const Receipt* receipt) override;

 private:
  void announceToPages() const;

  std::filesystem::path folder_;
  const ReceiptRenderer& renderer_;
  Written written_;
  int next_;
  std::string latestPicture_;
  std::string latestTranscript_;
};

}  // namespace lumetra::virtual_printer
