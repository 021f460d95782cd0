#include "print_session.h"

namespace lumetra::virtual_printer {

PrintSession::PrintSession(std::string source, PieceSink& sink, int paperDots)
    : builder_(paperDots), transcript_(std::move(source)), sink_(sink) {}

void PrintSession::receive(std::string_view bytes) {
  for (const Command& command : decoder_.feed(bytes)) print(command);
}

void PrintSession::finish() {
  for (const Command& command : decoder_.finish()) print(command);
  end({});
}

int PrintSession::print(const Command& command) {
  const int linesBefore = builder_.linesPrinted();
  statusOnly_ = statusOnly_ && (command.kind == CommandKind::RealTimeStatus ||
                                command.kind == CommandKind::AutomaticStatus || command.kind == CommandKind::ProcessId);
  transcript_.add(command, builder_.apply(command));
  if (builder_.pieceFull() && !builder_.cutReached()) {
    transcript_.addRemark("the paper ran on for more than two metres without a cut: ended here");
  }
  if (builder_.cutReached() || builder_.pieceFull()) writePiece();
  return builder_.linesPrinted() - linesBefore;
}

void PrintSession::end(const std::string& remark) {
  const std::string unprinted = builder_.unprintedTextRemark();
  if (!unprinted.empty()) transcript_.addRemark(unprinted);
  if (!remark.empty()) transcript_.addRemark(remark);
  // The process ID request after a ticket's cut makes no piece of its own.
  if (!remark.empty() || (!transcript_.empty() && !statusOnly_)) writePiece();
}

// A connection that only asked for status leaves no piece of its own; the
// requests are told with the piece they came in.
void PrintSession::writePiece() {
  if (statusRequests_ > 0) {
    transcript_.addRemark("real-time status requests (DLE EOT) answered meanwhile: " + std::to_string(statusRequests_));
    statusRequests_ = 0;
  }
  statusOnly_ = true;
  const bool printed = builder_.paperUsed() || builder_.cutReached();
  const Receipt receipt = builder_.takeReceipt();
  sink_.write(transcript_.take(), printed ? &receipt : nullptr);
}

}  // namespace lumetra::virtual_printer
