#include "net/net_printer_slots.h"

#include <algorithm>

#include "net/delivery_confirmation.h"
#include "printer/ansi_text.h"

namespace lumetra {
namespace {

void handOutFreshSockets(NetworkPrinters& net) REQUIRES(net.printers.outputLock) {
  for (NetPrinterSlot& slot : net.slots) {
    slot.socket = platform::TcpConnection::create();
    slot.connected = false;
    slot.onDemandConnectFailed = false;
  }
  net.socketsCreated = true;
}

bool connectFreshSocket(NetPrinterSlot& slot) {
  if (!slot.socket.setNonBlocking()) return false;
  return slot.socket.connect(slot.endpoint, kPrinterAnswerWait) == platform::ConnectOutcome::connected;
}

int connectSlot(NetPrinterSlot& slot) {
  if (!slot.socket.setNonBlocking()) return kSlotNonBlockingFailed;
  switch (slot.socket.connect(slot.endpoint, kPrinterAnswerWait)) {
    case platform::ConnectOutcome::connected:
      slot.connected = true;
      return kSlotsConnected;
    case platform::ConnectOutcome::timedOut:
      return kSlotConnectTimedOut;
    case platform::ConnectOutcome::failed:
      break;
  }
  return kSlotConnectFailed;
}

}  // namespace

bool isNetPrinterSlot(int index) { return index >= 0 && index < kNetPrinterSlotCount; }

void bindSlot(NetworkPrinters& net, int index, const std::u16string& address) {
  if (!isNetPrinterSlot(index)) return;
  NetPrinterSlot& slot = net.slots[index];
  slot.endpoint = platform::ipv4Endpoint(bytesUpToNul(toAnsiBytes(address)), kRawPrinterPort);
  slot.address = address;
  slot.onDemandConnectFailed = false;
}

void releaseAllSlots(NetworkPrinters& net) {
  for (NetPrinterSlot& slot : net.slots) {
    slot.connected = false;
    slot.address.clear();
    slot.socket.close();
    slot.onDemandConnectFailed = false;
  }
  net.socketsCreated = false;
}

int connectAllSlots(NetworkPrinters& net) {
  if (!net.socketsCreated) handOutFreshSockets(net);
  for (NetPrinterSlot& slot : net.slots) {
    if (!slot.socket.isOpen() || slot.address.empty()) {
      slot.connected = false;
      continue;
    }
    // The failure ends the run, so the next run starts with fresh sockets.
    if (const int result = connectSlot(slot); result != kSlotsConnected) {
      net.socketsCreated = false;
      return result;
    }
  }
  return kSlotsConnected;
}

std::string_view connectFailureMessage(int result) {
  switch (result) {
    case kSlotNonBlockingFailed:
      return "通讯模式更改错误!";
    case kSlotConnectTimedOut:
      return "设备未就绪!";
    default:
      return "参数错误!";
  }
}

void closeAllSlotSockets(NetworkPrinters& net) {
  for (NetPrinterSlot& slot : net.slots) {
    slot.connected = false;
    slot.socket.close();
  }
  net.socketsCreated = false;
}

void clearNetworkTransportFlags(NetworkPrinters& net) { net.socketsCreated = false; }

bool isSlotConnected(NetworkPrinters& net, int index) {
  return isNetPrinterSlot(index) && net.slots[index].connected;
}

platform::TcpConnection::PeerState slotPeerState(NetworkPrinters& net, int index) {
  if (!isSlotConnected(net, index)) return platform::TcpConnection::PeerState::lost;
  return net.slots[index].socket.peerState();
}

std::array<bool, kNetPrinterSlotCount> finishSlotDeliveries(NetworkPrinters& net) {
  std::array<platform::TcpConnection*, kNetPrinterSlotCount> connected{};
  for (int i = 0; i < kNetPrinterSlotCount; ++i) {
    if (net.slots[i].connected) connected[i] = &net.slots[i].socket;
  }
  const std::vector<bool> uncertain = finishSending(connected, kPrinterAnswerWait);
  std::array<bool, kNetPrinterSlotCount> reset{};
  std::copy(uncertain.begin(), uncertain.end(), reset.begin());
  return reset;
}

void connectSlotOnDemand(NetworkPrinters& net, int index) {
  if (!isNetPrinterSlot(index)) return;
  NetPrinterSlot& slot = net.slots[index];
  if (slot.address.empty() || slot.onDemandConnectFailed || slot.socket.isConnected()) return;
  slot.socket = platform::TcpConnection::create();
  slot.connected = connectFreshSocket(slot);
  if (!slot.connected) {
    slot.socket.close();
    slot.onDemandConnectFailed = true;
  }
}

void sendToSlot(NetworkPrinters& net, int index, std::string_view bytes) {
  if (!isNetPrinterSlot(index)) return;
  NetPrinterSlot& slot = net.slots[index];
  if (!slot.socket.send(bytes, kPrinterAnswerWait)) slot.connected = false;
}

}  // namespace lumetra
