#include "net/net_printer_slots.h"

#include "printer/ansi_text.h"

namespace lumetra {

bool isNetPrinterSlot(int index) { return index >= 0 && index < kNetPrinterSlotCount; }

void bindSlot(NetworkPrinters& net, int index, const std::u16string& address) {
  if (!isNetPrinterSlot(index)) return;
  NetPrinterSlot& slot = net.slots[index];
  slot.endpoint = platform::ipv4Endpoint(bytesUpToNul(toAnsiBytes(address)), kRawPrinterPort);
  slot.address = address;
  // Binding starts a new sequence of direct prints: the printer gets its
  // one wait again.
  net.notAnswering.erase(slot.endpoint.address);
}

void releaseAllSlots(NetworkPrinters& net) {
  for (NetPrinterSlot& slot : net.slots) {
    slot.address.clear();
    slot.socket.close();
  }
  net.notAnswering.clear();
}

void closeAllSlotSockets(NetworkPrinters& net) {
  for (NetPrinterSlot& slot : net.slots) slot.socket.close();
}

void clearNetworkTransportFlags(NetworkPrinters& net) { net.notAnswering.clear(); }

void connectSlotOnDemand(NetworkPrinters& net, int index) {
  if (!isNetPrinterSlot(index)) return;
  NetPrinterSlot& slot = net.slots[index];
  if (slot.address.empty() || slot.socket.isConnected() || net.notAnswering.contains(slot.endpoint.address)) return;
  slot.socket = platform::TcpConnection::create();
  if (!slot.socket.setNonBlocking() ||
      slot.socket.connect(slot.endpoint, kPrinterAnswerWait) != platform::ConnectOutcome::connected) {
    slot.socket.close();
    net.notAnswering.insert(slot.endpoint.address);
  }
}

void sendToSlot(NetworkPrinters& net, int index, std::string_view bytes) {
  if (!isNetPrinterSlot(index)) return;
  NetPrinterSlot& slot = net.slots[index];
  if (!slot.socket.isOpen()) return;
  if (!slot.socket.send(bytes, kPrinterAnswerWait)) net.notAnswering.insert(slot.endpoint.address);
}

}  // namespace lumetra
