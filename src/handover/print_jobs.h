#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/delivery.h"
#include "handover/kitchen_task_list.h"
#include "net/net_printer_slots.h"
#include "outbox/outbox.h"

namespace lumetra {

// The page's print jobs in one web process: the kitchen ticket list, and
// the outbox with the threads that deliver it.
struct PrintJobs {
  explicit PrintJobs(NetworkPrinters& network) : network(network) {}
  PrintJobs(const PrintJobs&) = delete;
  PrintJobs& operator=(const PrintJobs&) = delete;

  NetworkPrinters& network;
  KitchenTaskList kitchen GUARDED_BY(network.printers.printerLock());
  // Both set by the host before the delivery starts.
  DeliveryTimings timings;
  // Told which printers have tickets waiting; called from the delivery thread.
  BacklogListener onBacklogChanged;
  // Told that a printer's state (Delivery::printerStates) has changed;
  // called from the delivery thread.
  StatesListener onPrinterStatesChanged;
  Outbox outbox;
  // Last, so that its threads stop before anything they use goes away.
  Delivery delivery{outbox, network.printers.spooler};
};

// Opens the outbox's journal in `folder` (the working folder), queues what
// it still holds and starts delivering. Tickets handed over before are
// refused.
void startDelivery(PrintJobs& jobs, const std::filesystem::path& folder);

// Queues the tickets for their printers and returns once they are on disk.
void handOverTickets(PrintJobs& jobs, std::vector<Ticket> tickets);

// The network printer at `address` (IPv4 text as the page gives it, read
// as inet_addr reads it); nothing, with a note on stderr naming `what`,
// when it is no IPv4 address and so could never be reached.
std::optional<PrinterKey> networkPrinter(const std::u16string& address, std::string_view what);

}  // namespace lumetra
