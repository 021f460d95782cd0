#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

#include "delivery/printer_board.h"
#include "delivery/printer_trouble.h"
#include "platform/print/spooler.h"

namespace lumetra {

// What keeps a spooler queue from printing, as the staff are told it;
// Trouble::none when it can print.
Trouble queueTrouble(const platform::QueueActivity& activity);

// The spooler queues that took documents of ours and have not printed them
// all. Each is asked every interval whether it has stopped, and the staff
// see why (PrinterBoard::printerCondition) until it prints again or our documents
// are gone. A queue that holds nothing of ours is never asked. The spooler
// delivery thread's only.
class SpoolerQueueWatch {
 public:
  using Clock = std::chrono::steady_clock;

  SpoolerQueueWatch(PrinterBoard& board, platform::Spooler& spooler, std::chrono::milliseconds interval)
      : board_(board), spooler_(spooler), interval_(interval) {}

  // The queue took a document of ours as job `jobId`.
  void tookDocument(const PrinterKey& queue, std::uint32_t jobId, Clock::time_point now);
  // Asks the queues whose turn has come; gives when the next turn is, or
  // nothing when no queue holds documents of ours.
  std::optional<Clock::time_point> lookAtDue(Clock::time_point now);

 private:
  struct Watched {
    std::set<std::uint32_t> jobs;  // ours, not yet finished
    Clock::time_point nextLook;
  };

  // False once the queue holds nothing of ours.
  bool lookAt(const PrinterKey& queue, Watched& watched);

  PrinterBoard& board_;
  platform::Spooler& spooler_;
  const std::chrono::milliseconds interval_;
  std::map<PrinterKey, Watched> watched_;
};

}  // namespace lumetra
