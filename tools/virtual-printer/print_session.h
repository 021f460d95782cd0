#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "escpos_decoder.h"
#include "piece_sink.h"
#include "receipt_builder.h"
#include "transcript.h"

namespace lumetra::virtual_printer {

// One stream of printer bytes (a TCP connection, a file, a CUPS job) printed
// into a sink: a transcript and a receipt at every cut, and for whatever
// follows the last cut when the stream ends.
class PrintSession {
 public:
  PrintSession(std::string source, PieceSink& sink, int paperDots);

  // A stream of bytes, decoded here and printed at once.
  void receive(std::string_view bytes);
  // The stream has ended.
  void finish();

  // For a printer that decodes and holds the bytes itself: prints one
  // command; returns the lines it put on paper.
  int print(const Command& command);
  // A real-time status request was answered while this piece was printing.
  void noteStatusRequest() { ++statusRequests_; }
  // Ends the stream without decoding more; `remark` (if any) says why.
  void end(const std::string& remark);

 private:
  void writePiece();

  StreamDecoder decoder_;
  ReceiptBuilder builder_;
  Transcript transcript_;
  PieceSink& sink_;
  int statusRequests_ = 0;
  bool statusOnly_ = true;  // the piece so far holds only status exchanges
};

}  // namespace lumetra::virtual_printer
