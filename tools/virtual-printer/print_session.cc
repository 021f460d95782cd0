#include "print_session.h"

namespace lumetra::virtual_printer {

PrintSession::PrintSession(std::string source, PieceSink& sink, int paperDots)
    : builder_(paperDots), transcript_(std::move(source)), sink_(sink) {}

void PrintSession::receive(std::string_view bytes) { play(decoder_.feed(bytes)); }

void PrintSession::finish() {
  play(decoder_.finish());
  const std::string unprinted = builder_.unprintedTextRemark();
  if (!unprinted.empty()) transcript_.addRemark(unprinted);
  if (!transcript_.empty()) writePiece();
}

void PrintSession::play(const std::vector<Command>& commands) {
  for (const Command& command : commands) {
    transcript_.add(command, builder_.apply(command));
    if (builder_.pieceFull() && !builder_.cutReached()) {
      transcript_.addRemark("the paper ran on for more than two metres without a cut: ended here");
    }
    if (builder_.cutReached() || builder_.pieceFull()) writePiece();
  }
}

void PrintSession::writePiece() {
  const bool printed = builder_.paperUsed() || builder_.cutReached();
  const Receipt receipt = builder_.takeReceipt();
  sink_.write(transcript_.take(), printed ? &receipt : nullptr);
}

}  // namespace lumetra::virtual_printer
