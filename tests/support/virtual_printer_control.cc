#include "support/virtual_printer_control.h"

#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <regex>
#include <set>
#include <thread>

namespace lumetra::test {

std::string virtualPrinterProgram() { return VIRTUAL_PRINTER_EXECUTABLE; }

PrinterClient::PrinterClient(const std::string& address, std::uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in printer{};
  printer.sin_family = AF_INET;
  printer.sin_port = htons(port);
  inet_pton(AF_INET, address.c_str(), &printer.sin_addr);
  connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&printer), sizeof printer) == 0;
}

void PrinterClient::send(const std::string& bytes) {
  ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
}

void PrinterClient::endSending() { shutdown(fd_, SHUT_WR); }

std::string PrinterClient::receive(std::size_t count) {
  std::string got(count, '\0');
  std::size_t have = 0;
  errno = 0;
  for (ssize_t n; have < count && (n = recv(fd_, got.data() + have, count - have, 0)) > 0;) have += n;
  got.resize(have);
  return got;
}

bool PrinterClient::answersWithin(int ms) {
  pollfd entry{fd_, POLLIN, 0};
  return poll(&entry, 1, ms) > 0;
}

void PrinterClient::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

ControlledPrinter::ControlledPrinter(const std::string& address, const TempDir& dir, std::vector<std::string> options)
    : address_(address) {
  options.insert(options.end(), {"--listen", address, "--control", address + ":0", "--output", dir.path().string()});
  process.emplace(virtualPrinterProgram(), options);
  EXPECT_TRUE(process->readLine().has_value());
  const std::string control = process->readLine().value_or("");
  controlPort_ = static_cast<std::uint16_t>(std::stoi(control.substr(control.rfind(':') + 1)));
}

std::string ControlledPrinter::control(const std::string& command) {
  PrinterClient client(address_, controlPort_);
  client.send(command + "\n");
  std::string reply;
  for (std::string byte; (byte = client.receive(1)) != "\n" && !byte.empty();) reply += byte;
  return reply;
}

std::string ControlledPrinter::httpGet(const std::string& path) {
  PrinterClient client(address_, controlPort_);
  client.send("GET " + path + " HTTP/1.1\r\nHost: printer\r\n\r\n");
  return client.receive(4096);
}

std::string fourLineTicketTask(const std::string& address, int number) {
  const std::string n = std::to_string(number);
  return R"({"printerName":"","ipaddress":")" + address +
         R"(","printerType":3,"printerModel":"","contents":[{"type":0,"content":"ticket )" + n +
         R"(\nline a\nline b\nend )" + n + R"(\n","remark":0}]})";
}

ReceiptTickets ticketsInReceipts(const std::filesystem::path& folder) {
  ReceiptTickets printed;
  const std::regex started("\"ticket ([0-9]+)\""), ended("\"end ([0-9]+)\"");
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    // receipt-NNNN.txt, one per piece; latest.txt repeats the last one.
    if (entry.path().extension() != ".txt" || !entry.path().filename().string().starts_with("receipt-")) continue;
    const std::string transcript = readFile(entry.path());
    std::set<int> whole;
    for (std::sregex_iterator at(transcript.begin(), transcript.end(), ended), end; at != end; ++at) {
      whole.insert(std::stoi((*at)[1]));
    }
    for (std::sregex_iterator at(transcript.begin(), transcript.end(), started), end; at != end; ++at) {
      const int ticket = std::stoi((*at)[1]);
      ++(whole.contains(ticket) ? printed.whole : printed.cutOff)[ticket];
    }
  }
  return printed;
}

ReceiptTickets waitForTicketsInReceipts(const std::filesystem::path& folder, std::size_t count) {
  const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  ReceiptTickets printed = ticketsInReceipts(folder);
  while (printed.whole.size() < count && std::chrono::steady_clock::now() < guard) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    printed = ticketsInReceipts(folder);
  }
  return printed;
}

}  // namespace lumetra::test
