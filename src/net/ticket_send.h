#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "platform/net/socket_wait.h"
#include "platform/net/tcp_connection.h"

namespace lumetra {

struct TicketSendTimings {
  // How long a connect may go unanswered before the printer counts as not
  // answering. The system sends its connection request again meanwhile, so
  // a printer that comes back within it is seen then.
  std::chrono::milliseconds connectWait{10'000};
  // A connected printer that takes and acknowledges nothing this long has
  // stopped reading (paper out, jammed, buffer full): the staff are told,
  // the ticket stays on its way.
  std::chrono::milliseconds answerWait{3'000};
  // A printer that answers nothing at all this long (power or cable lost)
  // has lost the connection, and what it held with it.
  std::chrono::seconds silenceLimit{10};
};

// One ticket on its way to a network printer, over a connection of its own:
// connect, send every byte, end the sending side, then wait for the printer
// to end its side in order. Only a printer that has acknowledged every byte
// and ended the connection in order has the ticket; a printer that ends or
// resets it before, or goes silent, may have lost what it held. A printer
// that stops reading keeps the ticket on its way for as long as it answers.
// Never blocks: advance() is called when its connection is ready or
// nextCheck() has come.
class TicketSend {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Stage { connecting, sending, finishing, delivered, refused, unanswered, interrupted };

  TicketSend(const platform::Ipv4Endpoint& printer, std::string bytes, const TicketSendTimings& timings,
             Clock::time_point now);

  Stage advance(Clock::time_point now);
  Stage stage() const { return stage_; }
  bool ended() const { return stage_ != Stage::connecting && stage_ != Stage::sending && stage_ != Stage::finishing; }
  // Not answering the connection request, or connected but nothing taken
  // or acknowledged, for the answer wait: worth telling the staff.
  bool stalled(Clock::time_point now) const;
  platform::SocketInterest interest() const { return {&connection_, stage_ != Stage::finishing}; }
  Clock::time_point nextCheck(Clock::time_point now) const;

 private:
  Stage connecting(Clock::time_point now);
  Stage sending(Clock::time_point now);
  Stage finishing(Clock::time_point now);
  void noteAcknowledgements(Clock::time_point now);
  Stage end(Stage stage);

  platform::TcpConnection connection_;
  std::string bytes_;
  std::size_t sent_ = 0;
  std::size_t unacknowledged_ = 0;  // as last seen
  TicketSendTimings timings_;
  Clock::time_point started_;
  Clock::time_point lastProgress_;
  Stage stage_ = Stage::connecting;
};

}  // namespace lumetra
