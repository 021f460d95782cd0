#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "platform/net/socket_wait.h"
#include "platform/net/tcp_connection.h"
#include "printer/realtime_status.h"

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
  // A printer that answers real-time status requests does so at once; one
  // that has not within this is sent its ticket as printers were before.
  std::chrono::milliseconds statusWait{500};
  // How often a printer that has stopped printing, or is printing the
  // ticket, is asked again.
  std::chrono::milliseconds statusEvery{1'000};
  // A printer that has taken every byte and has been printing this long
  // without sending the ticket's process ID back does not send them; the
  // ticket is then confirmed as at a printer that answers neither.
  std::chrono::milliseconds processIdWait{5'000};
  // Print servers, and printers, may keep their side of the connection
  // open until an idle timeout of their own: one that has acknowledged
  // every byte and the end of sending, and still answers once this has
  // passed, has the ticket.
  std::chrono::milliseconds peerEndWait{3'000};
};

// What earlier tickets taught about a printer; unknown until tried.
struct PrinterAbilities {
  std::optional<bool> answersStatus;
  std::optional<bool> returnsProcessIds;
};

// One ticket on its way to a network printer, over a connection of its own.
// A printer that answers real-time status is asked first and sent nothing
// while it reports that it has stopped (paper out, cover open, an error);
// the ticket is followed by a process ID request, and the printer has the
// ticket once it sends that ID back, which it does after printing
// everything before it. Otherwise (a printer that answers neither):
// send every byte, end the sending side, then wait for the printer to end
// its side in order; a printer that has acknowledged every byte and ended
// the connection in order has the ticket, and so has one that has
// acknowledged them and still answers after the peer end wait, whose
// connection is then closed from here. A printer that ends or resets the
// connection before, or goes silent, may have lost what it held.
// A printer that stops reading before it has acknowledged every byte keeps
// the ticket on its way for as long as it answers. Never blocks: advance() is called when its connection is
// ready or nextCheck() has come.
class TicketSend {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Stage {
    connecting,
    askingStatus,  // before sending; also while the printer reports it has stopped
    sending,
    printing,   // every byte sent, waiting for the process ID or for the printer to print
    finishing,  // sending side ended, waiting for the printer to end its side or for the peer end wait
    delivered,
    refused,
    unanswered,
    interrupted,
  };

  // `processId`: four characters 0x30-0x7E for this ticket (processIdFor).
  TicketSend(const platform::Ipv4Endpoint& printer, std::string bytes, const TicketSendTimings& timings,
             Clock::time_point now, const PrinterAbilities& known = {}, std::string processId = "0000");

  Stage advance(Clock::time_point now);
  Stage stage() const { return stage_; }
  bool ended() const { return stage_ >= Stage::delivered; }
  // The printer has reported that it stopped printing, and the ticket waits
  // (before it was sent, or in the printer) until it reports ready again.
  bool held() const;
  // What the printer last reported of itself, when it answers.
  const std::optional<PrinterReport>& report() const { return answers_.report(); }
  // Bytes the printer has acknowledged, as last seen: any at all, and the
  // printer may have printed part of the ticket.
  std::size_t acknowledged() const { return sent_ > unacknowledged_ ? sent_ - unacknowledged_ : 0; }
  // What this ticket taught about the printer.
  const PrinterAbilities& abilities() const { return abilities_; }
  // Not answering the connection request, or connected but nothing taken
  // or acknowledged, for the answer wait: worth telling the staff.
  bool stalled(Clock::time_point now) const;
  platform::SocketInterest interest() const {
    return {&connection_, stage_ == Stage::connecting || (stage_ == Stage::sending && sent_ < bytes_.size())};
  }
  Clock::time_point nextCheck(Clock::time_point now) const;

 private:
  Stage connected(Clock::time_point now);
  Stage connecting(Clock::time_point now);
  Stage askingStatus(Clock::time_point now);
  Stage startSending();
  Stage sending(Clock::time_point now);
  Stage printing(Clock::time_point now);
  Stage finishing(Clock::time_point now);
  // Every byte and the end acknowledged, and the printer answered after the
  // peer end wait had passed since.
  bool answeredAfterPeerEndWait(Clock::time_point now);
  // Reads what the printer sent back; false when the connection failed.
  bool readAnswers(Clock::time_point now);
  void askStatus(std::string_view request, Clock::time_point now);
  void askAgainWhenDue(Clock::time_point now);
  void noteAcknowledgements(Clock::time_point now);
  Stage end(Stage stage);

  platform::TcpConnection connection_;
  std::string bytes_;
  std::string processId_;
  std::size_t sent_ = 0;
  std::size_t unacknowledged_ = 0;  // as last seen
  TicketSendTimings timings_;
  PrinterAbilities abilities_;
  PrinterAnswers answers_;
  bool probing_ = false;     // the request under way is the short first one
  bool usesStatus_ = false;  // the printer answered on this connection
  platform::TcpConnection::PeerState peer_ = platform::TcpConnection::PeerState::open;
  Clock::time_point started_;
  Clock::time_point lastProgress_;
  Clock::time_point lastAsked_;
  // Since when the printer, with every byte taken, reports that it prints.
  std::optional<Clock::time_point> printingSince_;
  std::size_t reportsBeforeAcknowledged_ = 0;
  // Since when the printer has acknowledged every byte and the end of sending.
  std::optional<Clock::time_point> acknowledgedSince_;
  Stage stage_ = Stage::connecting;
};

}  // namespace lumetra
