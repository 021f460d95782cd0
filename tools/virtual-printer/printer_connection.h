#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>

#include "escpos_decoder.h"
#include "print_session.h"
#include "printer_condition.h"

namespace lumetra::virtual_printer {

// One connection to the printer. What the client sends waits in the
// receive buffer until the printer, online, prints it in order; real-time
// status requests are answered as they are read. Replies wait here until
// the socket takes them.
class PrinterConnection {
 public:
  PrinterConnection(int fd, PieceSink& sink, int paperDots);
  PrinterConnection(const PrinterConnection&) = delete;
  PrinterConnection& operator=(const PrinterConnection&) = delete;

  int fd() const { return fd_; }
  // How many bytes the buffer has room for; 0 once the client has ended
  // its sending side. A command larger than the whole buffer is read on
  // while the printer is online, as a printer prints it piece by piece.
  std::size_t room(const PrinterCondition& condition, std::size_t bufferBytes) const;
  // Reads up to `most` bytes off the socket; false when none came.
  bool read(std::size_t most, const PrinterCondition& condition);
  // Bytes read and not yet printed.
  std::size_t held() const { return held_; }
  // When a slow printer reads next.
  std::chrono::steady_clock::time_point nextRead() const { return nextRead_; }
  void delayNextRead(std::chrono::milliseconds interval) { nextRead_ = std::chrono::steady_clock::now() + interval; }

  bool hasCommandToPrint() const { return !waiting_.empty(); }
  // Prints the next held command; returns the lines it used.
  int printNext(const PrinterCondition& condition);
  // Sends automatic status if the client asked for it and it changed.
  void reportCondition(const PrinterCondition& condition);

  bool hasReplies() const { return !replies_.empty(); }
  // Hands replies to the socket as far as it takes them.
  void sendReplies();
  // The client has ended its sending side, everything is printed and answered.
  bool done() const { return inputEnded_ && waiting_.empty() && replies_.empty(); }
  // Takes what the client sent as all it sends (the printer is stopping).
  void endInput();
  // Ends the connection; bytes still held are noted as never printed.
  void close();
  // Power off: resets the connection; what it held is lost.
  void reset();

 private:
  void hold(const std::vector<Command>& commands, const PrinterCondition& condition);
  void endSession(const std::string& why);

  int fd_;
  PrintSession session_;
  StreamDecoder decoder_;
  std::deque<Command> waiting_;
  std::size_t held_ = 0;  // bytes read and not yet printed or answered
  std::string replies_;
  bool inputEnded_ = false;
  bool clientGone_ = false;
  bool automaticStatus_ = false;
  std::string lastStatus_;
  std::chrono::steady_clock::time_point nextRead_{};
};

}  // namespace lumetra::virtual_printer
