#include "printer_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "control_commands.h"

namespace lumetra::virtual_printer {
namespace {

// More simultaneous connections than six kitchen slots and a few task
// connections can need; beyond it new ones wait in the backlog.
constexpr std::size_t kMostConnections = 64;

using Clock = std::chrono::steady_clock;

}  // namespace

PrinterServer::PrinterServer(PrinterSettings settings, PieceSink& sink, std::ostream& out)
    : settings_(std::move(settings)), condition_(settings_.condition), sink_(sink), out_(out) {}

PrinterServer::~PrinterServer() {
  if (listener_ >= 0) close(listener_);
}

bool PrinterServer::open(std::string& error) {
  listener_ = openListener(settings_.listen, static_cast<int>(settings_.bufferBytes), error);
  if (listener_ < 0) return false;
  if (!settings_.control) return true;
  control_.emplace();
  return control_->open(*settings_.control, error);
}

void PrinterServer::serve(int stopFd) {
  for (;;) {
    std::vector<pollfd> fds = pollSet(stopFd);
    if (poll(fds.data(), fds.size(), pollTimeout()) < 0 && errno != EINTR) break;
    if (fds[0].revents) break;
    serveConnections(&fds[fds.size() - connections_.size()]);
    if (fds[1].revents & POLLIN) acceptConnection();
    if (control_) control_->serve(&fds[2], [this](const std::string& line) { return runControl(line); });
    printHeld();
    answerAndClose();
  }
  finishAll();
}

// The stop pipe, the printer's listener (-1 while off or full), the control
// port's entries, then one per connection (-1 when it waits for nothing).
std::vector<pollfd> PrinterServer::pollSet(int stopFd) const {
  std::vector<pollfd> fds{{stopFd, POLLIN, 0}};
  fds.push_back({connections_.size() < kMostConnections ? listener_ : -1, POLLIN, 0});
  if (control_) control_->addTo(fds);
  for (const auto& connection : connections_) {
    const short events = eventsOf(*connection);
    fds.push_back({events ? connection->fd() : -1, events, 0});
  }
  return fds;
}

// A stalled printer neither reads nor answers; a slow one reads when its
// next turn has come.
short PrinterServer::eventsOf(const PrinterConnection& connection) const {
  if (condition_.stalled) return 0;
  short events = connection.hasReplies() ? POLLOUT : 0;
  const bool turnCame = condition_.pace.bytes == 0 || connection.nextRead() <= Clock::now();
  if (turnCame && connection.room(condition_, settings_.bufferBytes) > 0) events |= POLLIN;
  return events;
}

// Until the next turn of a slow printer's reading; none when it is not slow.
int PrinterServer::pollTimeout() const {
  if (condition_.stalled || condition_.pace.bytes == 0) return -1;
  std::optional<Clock::time_point> next;
  for (const auto& connection : connections_) {
    if (connection->room(condition_, settings_.bufferBytes) == 0) continue;
    next = std::min(next.value_or(connection->nextRead()), connection->nextRead());
  }
  if (!next) return -1;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
  return static_cast<int>(std::max<long>(wait, 0));
}

void PrinterServer::serveConnections(const pollfd* entries) {
  for (std::size_t i = 0; i < connections_.size(); ++i) {
    if ((entries[i].events & POLLIN) && entries[i].revents) readFrom(*connections_[i]);
    if (entries[i].revents & POLLOUT) connections_[i]->sendReplies();
  }
}

void PrinterServer::readFrom(PrinterConnection& connection) {
  std::size_t most = connection.room(condition_, settings_.bufferBytes);
  if (condition_.pace.bytes > 0) {
    most = std::min(most, condition_.pace.bytes);
    connection.delayNextRead(std::chrono::milliseconds(condition_.pace.intervalMs));
  }
  connection.read(most, condition_);
}

bool PrinterServer::acceptConnection() {
  const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return false;
  connections_.push_back(std::make_unique<PrinterConnection>(fd, sink_, settings_.paperDots));
  return true;
}

void PrinterServer::printHeld() {
  for (const auto& connection : connections_) {
    while (condition_.online() && !condition_.stalled && connection->hasCommandToPrint()) {
      usePaper(connection->printNext(condition_));
    }
  }
}

void PrinterServer::usePaper(int lines) {
  if (lines == 0) return;
  const bool nearEnd = condition_.paperNearEnd();
  condition_.usePaper(lines);
  if (condition_.paperEnd())
    announce("paper end, printing stopped");
  else if (condition_.paperNearEnd() != nearEnd)
    announce("paper near end");
}

void PrinterServer::answerAndClose() {
  if (condition_.stalled) return;
  for (std::size_t i = connections_.size(); i-- > 0;) {
    connections_[i]->sendReplies();
    if (!connections_[i]->done()) continue;
    connections_[i]->close();
    connections_.erase(connections_.begin() + static_cast<long>(i));
  }
}

// On stop: a client whose connect completed, and the bytes it sent before
// the stop, still reach paper if the printer can print them.
void PrinterServer::finishAll() {
  while (condition_.poweredOn && connections_.size() < kMostConnections && acceptConnection()) {
  }
  for (const auto& connection : connections_) {
    while (!condition_.stalled && connection->read(connection->room(condition_, settings_.bufferBytes), condition_)) {
    }
    connection->endInput();
  }
  printHeld();
  for (const auto& connection : connections_) {
    connection->sendReplies();
    connection->close();
  }
  connections_.clear();
}

std::string PrinterServer::runControl(const std::string& line) {
  std::string error;
  const std::optional<ControlCommand> command = parseControlCommand(line, error);
  if (!command) return "error " + error;
  return apply(command->action, command->pace);
}

std::string PrinterServer::apply(ControlAction action, const ReadingPace& pace) {
  switch (action) {
    case ControlAction::PaperOut:
      condition_.linesLeft = 0;
      announce("paper out");
      break;
    case ControlAction::PaperIn:
      condition_.linesLeft = condition_.rollLines;
      announce("paper in");
      break;
    case ControlAction::CoverOpen:
      condition_.coverOpen = true;
      announce("cover open");
      break;
    case ControlAction::CoverClose:
      condition_.coverOpen = false;
      announce("cover closed");
      break;
    case ControlAction::Stall:
      condition_.stalled = true;
      announce("stalled, reading and answering nothing");
      break;
    case ControlAction::Resume:
      condition_.stalled = false;
      condition_.pace = {};
      announce("reading again");
      break;
    case ControlAction::Slow:
      condition_.pace = pace;
      announce("reading slowly");
      break;
    case ControlAction::PowerOff:
      if (condition_.poweredOn) switchOff();
      break;
    case ControlAction::PowerOn: {
      if (condition_.poweredOn) break;
      std::string error;
      listener_ = openListener(settings_.listen, static_cast<int>(settings_.bufferBytes), error);
      if (listener_ < 0) return "error " + error;
      condition_.poweredOn = true;
      announce("switched on");
      break;
    }
    case ControlAction::Status:
      break;
  }
  return "ok " + statusLine();
}

// Everything held is lost, every connection reset, and new ones refused;
// the paper and the cover stay as they are, a hang is over.
void PrinterServer::switchOff() {
  for (const auto& connection : connections_) connection->reset();
  connections_.clear();
  close(listener_);
  listener_ = -1;
  condition_.poweredOn = false;
  condition_.stalled = false;
  announce("switched off");
}

void PrinterServer::announce(const std::string& event) {
  out_ << event << ": " << statusLine() << std::endl;
  for (const auto& connection : connections_) connection->reportCondition(condition_);
}

std::string PrinterServer::statusLine() const {
  std::size_t held = 0;
  for (const auto& connection : connections_) held += connection->held();
  return describeCondition(condition_) + " connections=" + std::to_string(connections_.size()) +
         " held=" + std::to_string(held);
}

}  // namespace lumetra::virtual_printer
