#include "printer_connection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "tcp_sockets.h"

namespace lumetra::virtual_printer {
namespace {

// The process ID response: 0x37 0x22, the four ID bytes, NUL.
std::string processIdResponse(const Command& request) { return "\x37\x22" + request.bytes.substr(7, 4) + '\0'; }

}  // namespace

PrinterConnection::PrinterConnection(int fd, PieceSink& sink, int paperDots)
    : fd_(fd), session_(peerName(fd), sink, paperDots) {}

std::size_t PrinterConnection::room(const PrinterCondition& condition, std::size_t bufferBytes) const {
  // A client that asks for status and never reads the answers fills the
  // printer's sending side; it then stops reading, as a printer does.
  if (inputEnded_ || replies_.size() >= bufferBytes) return 0;
  if (held_ < bufferBytes) return bufferBytes - held_;
  return condition.online() && waiting_.empty() ? bufferBytes : 0;
}

bool PrinterConnection::read(std::size_t most, const PrinterCondition& condition) {
  if (most == 0) return false;
  char buffer[16384];
  const ssize_t got = recv(fd_, buffer, std::min(most, sizeof buffer), MSG_DONTWAIT);
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return false;
  if (got > 0) {
    held_ += static_cast<std::size_t>(got);
    hold(decoder_.feed(std::string_view(buffer, static_cast<std::size_t>(got))), condition);
    return true;
  }
  // Ended or reset by the client: what it sent is still printed.
  clientGone_ = clientGone_ || got < 0;
  if (clientGone_) replies_.clear();
  endInput();
  return false;
}

void PrinterConnection::endInput() {
  inputEnded_ = true;
  for (Command& command : decoder_.finish()) waiting_.push_back(std::move(command));
}

void PrinterConnection::hold(const std::vector<Command>& commands, const PrinterCondition& condition) {
  for (const Command& command : commands) {
    if (command.kind != CommandKind::RealTimeStatus) {
      waiting_.push_back(command);
      continue;
    }
    replies_ += realTimeStatus(condition, command.byte(2));
    session_.noteStatusRequest();
    held_ -= command.bytes.size();
  }
}

int PrinterConnection::printNext(const PrinterCondition& condition) {
  const Command command = std::move(waiting_.front());
  waiting_.pop_front();
  held_ -= command.bytes.size();
  const int lines = session_.print(command);
  if (command.kind == CommandKind::ProcessId) replies_ += processIdResponse(command);
  if (command.kind == CommandKind::AutomaticStatus) {
    automaticStatus_ = command.byte(2) != 0;
    lastStatus_.clear();
    reportCondition(condition);
  }
  return lines;
}

void PrinterConnection::reportCondition(const PrinterCondition& condition) {
  if (!automaticStatus_) return;
  const std::string status = automaticStatus(condition);
  if (status == lastStatus_) return;
  lastStatus_ = status;
  replies_ += status;
}

void PrinterConnection::sendReplies() {
  if (clientGone_) replies_.clear();
  if (replies_.empty()) return;
  const ssize_t sent = send(fd_, replies_.data(), replies_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  if (sent > 0) replies_.erase(0, static_cast<std::size_t>(sent));
  if (sent < 0 && errno != EAGAIN && errno != EINTR) {
    clientGone_ = true;
    replies_.clear();
  }
}

void PrinterConnection::close() {
  endSession("the printer stopped");
  ::close(fd_);
}

void PrinterConnection::reset() {
  endSession("the printer was switched off");
  resetConnection(fd_);
}

void PrinterConnection::endSession(const std::string& why) {
  session_.end(held_ == 0 ? std::string() : why + ": " + std::to_string(held_) + " bytes received were never printed");
}

}  // namespace lumetra::virtual_printer
