#pragma once

#include <poll.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "control_commands.h"
#include "control_port.h"
#include "piece_sink.h"
#include "printer_condition.h"
#include "printer_connection.h"
#include "tcp_sockets.h"

namespace lumetra::virtual_printer {

struct PrinterSettings {
  ListenAddress listen;
  std::optional<ListenAddress> control;
  std::size_t bufferBytes = 4096;
  int paperDots = 0;
  PrinterCondition condition;  // as it starts
};

// The printer on the network, the way a receipt printer serves port 9100:
// any number of connections, each its own stream with its own receive
// buffer, printed while the printer is online, and the faults the control
// port plays. Every change is a line on `out`.
class PrinterServer {
 public:
  PrinterServer(PrinterSettings settings, PieceSink& sink, std::ostream& out);
  ~PrinterServer();

  // Listens, and opens the control; false (with `error` set) when it cannot.
  bool open(std::string& error);
  std::string printerAddress() const { return boundAddress(listener_); }
  std::string controlAddress() const { return control_ ? control_->address() : std::string(); }
  // Serves until `stopFd` becomes readable; then what the connections sent
  // is printed as far as the printer can and they are closed.
  void serve(int stopFd);

 private:
  std::vector<pollfd> pollSet(int stopFd) const;
  short eventsOf(const PrinterConnection& connection) const;
  int pollTimeout() const;
  void serveConnections(const pollfd* entries);
  void readFrom(PrinterConnection& connection);
  // Takes a waiting connection; false when none is waiting.
  bool acceptConnection();
  void printHeld();
  void usePaper(int lines);
  void answerAndClose();
  void finishAll();

  std::string runControl(const std::string& line);
  std::string apply(ControlAction action, const ReadingPace& pace);
  void switchOff();
  void announce(const std::string& event);
  std::string statusLine() const;

  PrinterSettings settings_;
  PrinterCondition& condition_;
  PieceSink& sink_;
  std::ostream& out_;
  int listener_ = -1;
  std::optional<ControlPort> control_;
  std::vector<std::unique_ptr<PrinterConnection>> connections_;
};

}  // namespace lumetra::virtual_printer
