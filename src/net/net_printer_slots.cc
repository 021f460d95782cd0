#include "net/net_printer_slots.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "platform/desktop/dialogs.h"
#include "printer/ansi_text.h"
#include "printer/printer_registry.h"

namespace lumetra {
namespace {

struct SlotTable {
  std::array<NetPrinterSlot, kNetPrinterSlotCount> slots;
  bool socketsCreated = false;  // every slot holds a socket from this connect run
};

SlotTable& table() {
  static SlotTable instance;
  return instance;
}

// The staff must see why kitchen tickets did not go out; the failure also
// ends the run, so the next run starts with fresh sockets.
int abandonConnectRun(std::string_view message, int result) {
  table().socketsCreated = false;
  platform::showDialog("", message);
  return result;
}

void handOutFreshSockets() {
  for (NetPrinterSlot& slot : table().slots) {
    slot.socket = platform::TcpConnection::create();
    slot.connected = false;
    slot.onDemandConnectFailed = false;
  }
  table().socketsCreated = true;
}

bool connectFreshSocket(NetPrinterSlot& slot) {
  if (!slot.socket.setNonBlocking()) return false;
  return slot.socket.connect(slot.endpoint, kPrinterAnswerWait) == platform::ConnectOutcome::connected;
}

}  // namespace

bool isNetPrinterSlot(int index) { return index >= 0 && index < kNetPrinterSlotCount; }

void bindSlot(int index, const std::u16string& address) {
  if (!isNetPrinterSlot(index)) return;
  std::lock_guard lock(printerLock());
  NetPrinterSlot& slot = table().slots[index];
  slot.endpoint = platform::ipv4Endpoint(bytesUpToNul(toAnsiBytes(address)), kRawPrinterPort);
  slot.address = address;
  slot.onDemandConnectFailed = false;
}

void releaseAllSlots() {
  std::lock_guard lock(printerLock());
  for (NetPrinterSlot& slot : table().slots) {
    slot.connected = false;
    slot.address.clear();
    slot.socket.close();
    slot.onDemandConnectFailed = false;
  }
  table().socketsCreated = false;
}

int connectAllSlots() {
  std::lock_guard lock(printerLock());
  if (!table().socketsCreated) handOutFreshSockets();
  for (NetPrinterSlot& slot : table().slots) {
    if (!slot.socket.isOpen() || slot.address.empty()) {
      slot.connected = false;
      continue;
    }
    if (!slot.socket.setNonBlocking()) {
      return abandonConnectRun("通讯模式更改错误!", kSlotNonBlockingFailed);
    }
    switch (slot.socket.connect(slot.endpoint, kPrinterAnswerWait)) {
      case platform::ConnectOutcome::connected:
        slot.connected = true;
        break;
      case platform::ConnectOutcome::timedOut:
        return abandonConnectRun("设备未就绪!", kSlotConnectTimedOut);
      case platform::ConnectOutcome::failed:
        return abandonConnectRun("参数错误!", kSlotConnectFailed);
    }
  }
  return kSlotsConnected;
}

void closeAllSlotSockets() {
  std::lock_guard lock(printerLock());
  for (NetPrinterSlot& slot : table().slots) {
    slot.connected = false;
    slot.socket.close();
  }
  table().socketsCreated = false;
}

void clearNetworkTransportFlags() {
  std::lock_guard lock(printerLock());
  table().socketsCreated = false;
}

bool isSlotConnected(int index) {
  std::lock_guard lock(printerLock());
  return isNetPrinterSlot(index) && table().slots[index].connected;
}

platform::TcpConnection::PeerState slotPeerState(int index) {
  std::lock_guard lock(printerLock());
  if (!isSlotConnected(index)) return platform::TcpConnection::PeerState::lost;
  return table().slots[index].socket.peerState();
}

std::array<bool, kNetPrinterSlotCount> finishSlotDeliveries() {
  std::lock_guard lock(printerLock());
  std::array<platform::TcpConnection*, kNetPrinterSlotCount> connected{};
  for (int i = 0; i < kNetPrinterSlotCount; ++i) {
    if (table().slots[i].connected) connected[i] = &table().slots[i].socket;
  }
  const std::vector<bool> uncertain = platform::finishSending(connected, kPrinterAnswerWait);
  std::array<bool, kNetPrinterSlotCount> reset{};
  std::copy(uncertain.begin(), uncertain.end(), reset.begin());
  return reset;
}

void connectSlotOnDemand(int index) {
  if (!isNetPrinterSlot(index)) return;
  std::lock_guard lock(printerLock());
  NetPrinterSlot& slot = table().slots[index];
  if (slot.address.empty() || slot.onDemandConnectFailed || slot.socket.isConnected()) return;
  slot.socket = platform::TcpConnection::create();
  slot.connected = connectFreshSocket(slot);
  if (!slot.connected) {
    slot.socket.close();
    slot.onDemandConnectFailed = true;
  }
}

void sendToSlot(int index, std::string_view bytes) {
  if (!isNetPrinterSlot(index)) return;
  std::lock_guard lock(printerLock());
  NetPrinterSlot& slot = table().slots[index];
  if (!slot.socket.send(bytes, kPrinterAnswerWait)) slot.connected = false;
}

}  // namespace lumetra
