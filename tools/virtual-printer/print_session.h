#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "escpos_decoder.h"
#include "receipt_builder.h"
#include "piece_sink.h"
#include "transcript.h"

namespace lumetra::virtual_printer {

// One stream of printer bytes (a TCP connection, a file, a CUPS job) printed
// into a sink: a transcript and a receipt at every cut, and for whatever
// follows the last cut when the stream ends.
class PrintSession {
 public:
  PrintSession(std::string source, PieceSink& sink, int paperDots);

  void receive(std::string_view bytes);
  // The stream has ended.
  void finish();

 private:
  void play(const std::vector<Command>& commands);
  void writePiece();

  StreamDecoder decoder_;
  ReceiptBuilder builder_;
  Transcript transcript_;
  PieceSink& sink_;
};

}  // namespace lumetra::virtual_printer
