#include "net/ticket_send.h"

#include <algorithm>
#include <cerrno>

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
                       Clock::time_point now)
    : connection_(platform::TcpConnection::create()),
      bytes_(std::move(bytes)),
      timings_(timings),
      started_(now),
      lastProgress_(now) {
  int error = 0;
  if (!connection_.setNonBlocking()) {
    end(Stage::unanswered);
    return;
  }
  switch (connection_.startConnect(printer, error)) {
    case platform::TcpConnection::ConnectStart::connected:
      stage_ = Stage::sending;
      connection_.endWhenSilent(timings_.silenceLimit);
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
  if (stage_ == Stage::sending) stage_ = sending(now);
  if (stage_ == Stage::finishing) stage_ = finishing(now);
  return stage_;
}

TicketSend::Stage TicketSend::connecting(Clock::time_point now) {
  if (const int error = connection_.connectError(); error != 0) return end(failedConnect(error));
  if (connection_.peerState() == PeerState::open) {
    connection_.endWhenSilent(timings_.silenceLimit);
    lastProgress_ = now;
    return Stage::sending;
  }
  return now - started_ >= timings_.connectWait ? end(Stage::unanswered) : Stage::connecting;
}

TicketSend::Stage TicketSend::sending(Clock::time_point now) {
  // A printer that ends its side before it has everything drops the rest.
  if (connection_.drainPeer() != PeerState::open) return end(Stage::interrupted);
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
  connection_.endSending();
  return Stage::finishing;
}

TicketSend::Stage TicketSend::finishing(Clock::time_point now) {
  switch (connection_.drainPeer()) {
    case PeerState::lost:
      return end(Stage::interrupted);
    case PeerState::finished:
      // Bytes still unacknowledged when the printer ended its side arrive
      // at a closed connection: they were never taken.
      return end(connection_.unacknowledgedBytes() == std::size_t{0} ? Stage::delivered : Stage::interrupted);
    case PeerState::open:
      break;
  }
  noteAcknowledgements(now);
  return Stage::finishing;
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
  return (stage_ == Stage::sending || stage_ == Stage::finishing) && now - lastProgress_ >= timings_.answerWait;
}

TicketSend::Clock::time_point TicketSend::nextCheck(Clock::time_point now) const {
  switch (stage_) {
    case Stage::connecting:
      return stalled(now) ? started_ + timings_.connectWait : started_ + timings_.answerWait;
    case Stage::sending:
    case Stage::finishing: {
      const Clock::time_point nextLook = now + timings_.answerWait / kChecksPerAnswerWait;
      return stalled(now) ? nextLook : std::min(lastProgress_ + timings_.answerWait, nextLook);
    }
    default:
      return now;
  }
}

}  // namespace lumetra
