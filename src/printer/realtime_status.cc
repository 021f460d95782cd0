#include "printer/realtime_status.h"

#include <algorithm>

namespace lumetra {
namespace {

constexpr char kDle = 0x10;
constexpr char kEot = 0x04;
constexpr std::uint8_t kProcessIdHeader = 0x37;
constexpr std::uint8_t kProcessIdMark = 0x22;
constexpr std::size_t kProcessIdResponseSize = 7;  // header, mark, four characters, NUL
constexpr std::size_t kAutomaticStatusSize = 4;
constexpr std::size_t kProcessIdCharacters = 0x7E - 0x30 + 1;

// Every DLE EOT answer has bits 1 and 4 set and 0 and 7 clear; the first
// byte of an automatic status block has bit 4 set and 0, 1 and 7 clear.
bool isStatusAnswer(std::uint8_t byte) { return (byte & 0x93) == 0x12; }
bool startsAutomaticStatus(std::uint8_t byte) { return (byte & 0x93) == 0x10; }

bool has(std::uint8_t byte, std::uint8_t bits) { return (byte & bits) == bits; }

PrinterReport reportFromAnswers(const std::array<std::optional<std::uint8_t>, 5>& answers) {
  const std::uint8_t printer = answers[1].value_or(0);
  const std::uint8_t offlineCause = answers[2].value_or(0);
  const std::uint8_t errorCause = answers[3].value_or(0);
  const std::uint8_t paperSensor = answers[4].value_or(0);
  PrinterReport report;
  report.offline = has(printer, 0x08);
  report.coverOpen = has(offlineCause, 0x04);
  report.paperEnd = has(offlineCause, 0x20) || has(paperSensor, 0x60);
  report.error = has(offlineCause, 0x40) || (errorCause & 0x68) != 0;
  report.paperNearEnd = has(paperSensor, 0x0C);
  return report;
}

PrinterReport reportFromAutomaticStatus(std::string_view block) {
  const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(block[at]); };
  PrinterReport report;
  report.offline = has(byte(0), 0x08);
  report.coverOpen = has(byte(0), 0x20);
  report.error = (byte(1) & 0x68) != 0;
  report.paperNearEnd = has(byte(2), 0x03);
  report.paperEnd = has(byte(2), 0x0C);
  return report;
}

}  // namespace

std::string_view fullStatusRequest() {
  static constexpr char kRequest[] = {kDle, kEot, 1, kDle, kEot, 2, kDle, kEot, 3, kDle, kEot, 4};
  return {kRequest, sizeof kRequest};
}

std::string_view printerStatusRequest() { return fullStatusRequest().substr(0, 3); }

std::string processIdRequest(std::string_view id) { return std::string("\x1d(H\x06\x00\x30\x30", 7) + std::string(id); }

std::string processIdFor(std::uint64_t ticketNumber) {
  std::string id(4, '0');
  for (char& character : id) {
    character = static_cast<char>(0x30 + ticketNumber % kProcessIdCharacters);
    ticketNumber /= kProcessIdCharacters;
  }
  return id;
}

void PrinterAnswers::asked(std::string_view request) {
  for (std::size_t at = 0; at + 2 < request.size(); at += 3) {
    if (request[at] == kDle && request[at + 1] == kEot) open_.push_back(request[at + 2]);
  }
}

void PrinterAnswers::read(std::string_view bytes) {
  if (!bytes.empty()) answered_ = true;
  for (const char character : bytes) {
    const auto byte = static_cast<std::uint8_t>(character);
    if (!partial_.empty()) {
      partial_ += character;
      const bool processId = static_cast<std::uint8_t>(partial_[0]) == kProcessIdHeader;
      if (processId && static_cast<std::uint8_t>(partial_[1]) != kProcessIdMark) {
        partial_.clear();
      } else if (processId && partial_.size() == kProcessIdResponseSize) {
        returnedIds_.push_back(partial_.substr(2, 4));
        partial_.clear();
      } else if (!processId && partial_.size() == kAutomaticStatusSize) {
        report_ = reportFromAutomaticStatus(partial_);
        ++reports_;
        partial_.clear();
      }
    } else if (byte == kProcessIdHeader || startsAutomaticStatus(byte)) {
      partial_ = character;
    } else if (isStatusAnswer(byte)) {
      readStatusByte(byte);
    }
  }
}

void PrinterAnswers::readStatusByte(std::uint8_t byte) {
  if (open_.empty()) return;
  const int request = open_.front();
  open_.pop_front();
  if (request >= 1 && request <= 4) round_[request] = byte;
  if (!open_.empty()) return;
  report_ = reportFromAnswers(round_);
  ++reports_;
  round_ = {};
}

bool PrinterAnswers::hasReturned(std::string_view processId) const {
  return std::find(returnedIds_.begin(), returnedIds_.end(), processId) != returnedIds_.end();
}

}  // namespace lumetra
