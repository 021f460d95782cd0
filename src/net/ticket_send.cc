#include "net/ticket_send.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace lumetra {
namespace {

using PeerState = platform::TcpConnection::PeerState;

// How often the acknowledgements of a printer that is taking a ticket are
// looked at: they wake no wait of their own.
constexpr int kChecksPerAnswerWait = 4;

TicketSend::Stage failedConnect(int error) {
  return error == ECONNREFUSED ? TicketSend::Stage::refused : TicketSend::Stage::unanswered;
}

}  // namespace

TicketSend::TicketSend(const platform::Ipv4Endpoint& printer, std::string bytes, const TicketSendTimings& timings,
                       Clock::time_point now, const PrinterAbilities& known, std::string processId)
    : connection_(platform::TcpConnection::create()),
      bytes_(std::move(bytes)),
      processId_(std::move(processId)),
      timings_(timings),
      abilities_(known),
      started_(now),
      lastProgress_(now) {
  int error = 0;
  if (!connection_.setNonBlocking()) {
    end(Stage::unanswered);
    return;
  }
  switch (connection_.startConnect(printer, error)) {
    case platform::TcpConnection::ConnectStart::connected:
      stage_ = connected(now);
      break;
    case platform::TcpConnection::ConnectStart::failed:
      end(failedConnect(error));
      break;
    case platform::TcpConnection::ConnectStart::underWay:
      break;
  }
}

TicketSend::Stage TicketSend::advance(Clock::time_point now) {
  if (stage_ == Stage::connecting) stage_ = connecting(now);
  if (stage_ == Stage::askingStatus) stage_ = askingStatus(now);
  if (stage_ == Stage::sending) stage_ = sending(now);
  if (stage_ == Stage::printing) stage_ = printing(now);
  if (stage_ == Stage::finishing) stage_ = finishing(now);
  return stage_;
}

TicketSend::Stage TicketSend::connected(Clock::time_point now) {
  connection_.endWhenSilent(timings_.silenceLimit);
  lastProgress_ = now;
  if (abilities_.answersStatus == false) return startSending();
  // A printer not known to answer gets the shortest request: it may ignore it.
  probing_ = abilities_.answersStatus != true;
  askStatus(probing_ ? printerStatusRequest() : fullStatusRequest(), now);
  return Stage::askingStatus;
}

TicketSend::Stage TicketSend::connecting(Clock::time_point now) {
  if (const int error = connection_.connectError(); error != 0) return end(failedConnect(error));
  if (connection_.peerState() == PeerState::open) return connected(now);
  return now - started_ >= timings_.connectWait ? end(Stage::unanswered) : Stage::connecting;
}

TicketSend::Stage TicketSend::askingStatus(Clock::time_point now) {
  if (!readAnswers(now)) return end(Stage::interrupted);
  if (answers_.unanswered() > 0) {
    // Silent where it used to answer: it has stopped reading; the ticket
    // waits, not pushed into its buffer, and stalled() tells the staff.
    if (abilities_.answersStatus == true || now - lastAsked_ < timings_.statusWait) return Stage::askingStatus;
    // Never answered: a printer without real-time status, sent its ticket
    // as before.
    abilities_.answersStatus = false;
    return startSending();
  }
  usesStatus_ = true;
  abilities_.answersStatus = true;
  if (std::exchange(probing_, false)) {
    askStatus(fullStatusRequest(), now);
    return Stage::askingStatus;
  }
  if (!held()) return startSending();
  askAgainWhenDue(now);
  return Stage::askingStatus;
}

TicketSend::Stage TicketSend::startSending() {
  if (usesStatus_) bytes_ += processIdRequest(processId_);
  return Stage::sending;
}

TicketSend::Stage TicketSend::sending(Clock::time_point now) {
  // A printer that ends its side before it has everything drops the rest.
  if (!readAnswers(now)) return end(Stage::interrupted);
  while (sent_ < bytes_.size()) {
    int error = 0;
    const std::optional<std::size_t> taken = connection_.sendAvailable(std::string_view(bytes_).substr(sent_), error);
    if (!taken) return end(Stage::interrupted);
    if (*taken == 0) break;
    sent_ += *taken;
    lastProgress_ = now;
  }
  noteAcknowledgements(now);
  if (sent_ < bytes_.size()) return Stage::sending;
  if (usesStatus_) {
    reportsBeforeAcknowledged_ = answers_.reports();
    return Stage::printing;
  }
  connection_.endSending();
  return Stage::finishing;
}

TicketSend::Stage TicketSend::printing(Clock::time_point now) {
  const bool open = readAnswers(now);
  // The id is proof of printing even when the printer closed right after it.
  if (answers_.hasReturned(processId_)) {
    abilities_.returnsProcessIds = true;
    connection_.endSending();
    return end(Stage::delivered);
  }
  if (!open) return end(Stage::interrupted);
  noteAcknowledgements(now);
  const bool acknowledged = connection_.unacknowledgedBytes() == std::size_t{0};
  if (!acknowledged) {
    reportsBeforeAcknowledged_ = answers_.reports();
    askAgainWhenDue(now);
    return Stage::printing;
  }
  if (answers_.unanswered() > 0 && now - lastAsked_ >= timings_.answerWait) {
    // It took every byte but answers no more: confirmed as at a printer
    // without real-time status.
    connection_.endSending();
    return Stage::finishing;
  }
  // Once every byte is taken, the printer is asked at once whether it prints.
  if (answers_.reports() == reportsBeforeAcknowledged_ && answers_.unanswered() == 0) {
    askStatus(fullStatusRequest(), now);
  }
  askAgainWhenDue(now);
  if (answers_.reports() == reportsBeforeAcknowledged_ || held()) {
    printingSince_.reset();
    return Stage::printing;
  }
  if (!printingSince_) printingSince_ = now;
  const auto idWait = abilities_.returnsProcessIds == false ? Clock::duration::zero() : timings_.processIdWait;
  if (now - *printingSince_ < idWait) return Stage::printing;
  // One that has sent ids before keeps that name: this ticket may just be slow.
  abilities_.returnsProcessIds = abilities_.returnsProcessIds.value_or(false);
  connection_.endSending();
  return Stage::finishing;
}

TicketSend::Stage TicketSend::finishing(Clock::time_point now) {
  if (!readAnswers(now) && peer_ == PeerState::lost) return end(Stage::interrupted);
  if (peer_ == PeerState::finished) {
    // Bytes still unacknowledged when the printer ended its side arrive
    // at a closed connection: they were never taken.
    return end(connection_.unacknowledgedBytes() == std::size_t{0} ? Stage::delivered : Stage::interrupted);
  }
  noteAcknowledgements(now);
  return answeredAfterPeerEndWait(now) ? end(Stage::delivered) : Stage::finishing;
}

bool TicketSend::answeredAfterPeerEndWait(Clock::time_point now) {
  if (connection_.unacknowledgedBytes() != std::size_t{0}) return false;
  if (!acknowledgedSince_) acknowledgedSince_ = now;
  // Idle, the connection draws an acknowledgement of a keep-alive probe
  // every second from a printer that is still there; one that lost power
  // or its cable after acknowledging draws none, and the silence limit
  // ends its connection as lost. Hence an answer after the wait, not the
  // wait alone.
  const std::optional<std::chrono::milliseconds> silentFor = connection_.sinceLastAcknowledgement();
  return silentFor && now - *silentFor >= *acknowledgedSince_ + timings_.peerEndWait;
}

bool TicketSend::readAnswers(Clock::time_point now) {
  std::string received;
  peer_ = connection_.drainPeer(&received);
  if (!received.empty()) {
    answers_.read(received);
    lastProgress_ = now;
  }
  return peer_ == PeerState::open;
}

void TicketSend::askStatus(std::string_view request, Clock::time_point now) {
  int error = 0;
  // A few bytes into an empty send buffer: taken whole, or the connection
  // has failed, which the next read finds.
  if (connection_.sendAvailable(request, error).value_or(0) == request.size()) answers_.asked(request);
  lastAsked_ = now;
}

void TicketSend::askAgainWhenDue(Clock::time_point now) {
  if (answers_.unanswered() == 0 && now - lastAsked_ >= timings_.statusEvery) askStatus(fullStatusRequest(), now);
}

bool TicketSend::held() const {
  const bool waitsForPrinter = stage_ == Stage::askingStatus || stage_ == Stage::printing;
  return waitsForPrinter && answers_.report() && answers_.report()->stopped();
}

void TicketSend::noteAcknowledgements(Clock::time_point now) {
  const std::size_t unacknowledged = connection_.unacknowledgedBytes().value_or(unacknowledged_);
  if (unacknowledged < unacknowledged_) lastProgress_ = now;
  unacknowledged_ = unacknowledged;
}

TicketSend::Stage TicketSend::end(Stage stage) {
  connection_.close();
  stage_ = stage;
  return stage;
}

bool TicketSend::stalled(Clock::time_point now) const {
  if (stage_ == Stage::connecting) return now - started_ >= timings_.answerWait;
  // A printer holding every byte has nothing left to take; whether it is
  // still there is for the silence limit to tell.
  if (acknowledgedSince_) return false;
  return !ended() && now - lastProgress_ >= timings_.answerWait;
}

TicketSend::Clock::time_point TicketSend::nextCheck(Clock::time_point now) const {
  switch (stage_) {
    case Stage::connecting:
      return stalled(now) ? started_ + timings_.connectWait : started_ + timings_.answerWait;
    case Stage::askingStatus:
    case Stage::sending:
    case Stage::printing:
    case Stage::finishing: {
      Clock::time_point next = now + timings_.answerWait / kChecksPerAnswerWait;
      if (!stalled(now)) next = std::min(next, lastProgress_ + timings_.answerWait);
      if (stage_ == Stage::askingStatus) next = std::min(next, lastAsked_ + timings_.statusWait);
      if (stage_ == Stage::askingStatus || stage_ == Stage::printing) {
        next = std::min(next, lastAsked_ + timings_.statusEvery);
      }
      if (printingSince_) next = std::min(next, *printingSince_ + timings_.processIdWait);
      if (acknowledgedSince_) next = std::min(next, *acknowledgedSince_ + timings_.peerEndWait);
      return std::max(next, now);
    }
    default:
      return now;
  }
}

}  // namespace lumetra
