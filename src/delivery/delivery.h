#pragma once

#include <chrono>
#include <memory>
#include <thread>

#include "outbox/outbox.h"
#include "outbox/printer_backlog.h"
#include "platform/print/spooler.h"

namespace lumetra {

struct DeliveryTimings {
  // Between attempts for a printer that cannot be reached; a connection
  // request may also go unanswered this long (the system repeats it, so a
  // printer that comes back meanwhile is seen at once).
  std::chrono::milliseconds retryInterval{10'000};
  // A printer that answers or takes nothing this long is reported to the
  // staff; its ticket stays on its way.
  std::chrono::milliseconds answerWait{3'000};
  // A connection to a printer that answers nothing at all this long is
  // given up: it lost power or its cable, and what it held.
  std::chrono::seconds silenceLimit{10};
  // The longest pause for a printer that keeps failing in the middle of a
  // ticket, so that it does not print half tickets without end.
  std::chrono::milliseconds longestBackoff{160'000};
  // Real-time status of network printers: how long a printer not known
  // to answer is given (below answerWait), how often a stopped or printing
  // printer is asked, and how long a printing one may take to send a
  // ticket's process ID back before it counts as not sending them.
  std::chrono::milliseconds statusWait{500};
  std::chrono::milliseconds statusEvery{1'000};
  std::chrono::milliseconds processIdWait{5'000};
  // A printer that has acknowledged every byte but keeps its side of the
  // connection open has the ticket once it still answers after this.
  std::chrono::milliseconds peerEndWait{3'000};
  // How often a spooler queue that holds unfinished documents of ours is
  // asked whether it has stopped.
  std::chrono::milliseconds queueWatchInterval{3'000};
};

class NetworkDelivery;
class SpoolerDelivery;

// The threads that take tickets from the outbox to their printers: one for
// every network printer at once (a dead or stuck printer waits on its own
// connection and never holds back another), one for the spooler's queues
// (CUPS answers a local call quickly). The network thread also tells the
// host which printers have tickets waiting, and why.
class Delivery {
 public:
  Delivery(Outbox& outbox, platform::Spooler& spooler);
  ~Delivery();
  Delivery(const Delivery&) = delete;
  Delivery& operator=(const Delivery&) = delete;

  void start(const DeliveryTimings& timings, BacklogListener listener);
  // New tickets are waiting.
  void wake();
  void stop();

 private:
  Outbox& outbox_;
  platform::Spooler& spooler_;
  std::unique_ptr<NetworkDelivery> network_;
  std::unique_ptr<SpoolerDelivery> spooled_;
  std::jthread networkThread_;
  std::jthread spoolerThread_;
};

}  // namespace lumetra
