#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra {

// What a receipt printer says of itself through the real-time status
// requests (DLE EOT 1-4), which it answers even while it is offline, ahead
// of the data it has not printed yet.
struct PrinterReport {
  bool offline = false;
  bool coverOpen = false;
  bool paperEnd = false;
  bool error = false;  // cutter, mechanism or another error
  bool paperNearEnd = false;

  // Printing has stopped: tickets sent now would wait in its buffer.
  bool stopped() const { return offline || coverOpen || paperEnd || error; }
  bool operator==(const PrinterReport&) const = default;
};

// The request for one report: DLE EOT 1, 2, 3 and 4, answered in order.
std::string_view fullStatusRequest();
// The first request to a printer not yet known to answer: DLE EOT 1 alone,
// so a printer that ignores it is sent three bytes it does not need.
std::string_view printerStatusRequest();

// GS ( H function 48: the printer sends `id` back once it has printed
// everything before the request. `id` is four characters 0x30-0x7E.
std::string processIdRequest(std::string_view id);
// An id for a ticket: its number in four characters of that range, so
// tickets on their way to one printer never share one.
std::string processIdFor(std::uint64_t ticketNumber);

// Reads what a printer sends back, in pieces as they arrive: the answers to
// the DLE EOT requests it was sent (each answers the oldest one open), the
// automatic status back blocks of a printer that has it switched on (GS a)
// and process ID responses. Anything else is passed over.
class PrinterAnswers {
 public:
  // `request` (made of DLE EOT requests) was sent to the printer.
  void asked(std::string_view request);
  void read(std::string_view bytes);

  // The latest report whose every request was answered, or an automatic
  // status block, whichever came last.
  const std::optional<PrinterReport>& report() const { return report_; }
  // How many reports have come so far.
  std::size_t reports() const { return reports_; }
  // Requests sent and not answered yet.
  std::size_t unanswered() const { return open_.size(); }
  bool hasReturned(std::string_view processId) const;
  // Anything at all has come back.
  bool answeredAnything() const { return answered_; }

 private:
  void readStatusByte(std::uint8_t byte);
  void readAutomaticStatus();

  std::deque<int> open_;                              // the requests' numbers, oldest first
  std::array<std::optional<std::uint8_t>, 5> round_;  // answers by request number, of the round under way
  std::string partial_;                               // an automatic status block or process ID under way
  std::vector<std::string> returnedIds_;
  std::optional<PrinterReport> report_;
  std::size_t reports_ = 0;
  bool answered_ = false;
};

}  // namespace lumetra
