#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/net/tcp_connection.h"

namespace lumetra {

// The six network printer slots (0..5) the page binds with startIPPrintTask.
inline constexpr int kNetPrinterSlotCount = 6;

// Network printers take raw ESC/POS bytes on this port.
inline constexpr std::uint16_t kRawPrinterPort = 9100;

// How long a printer may take to answer a connect, and to take more bytes
// when its buffer is full, before it counts as not ready.
inline constexpr std::chrono::milliseconds kPrinterAnswerWait{3000};

// Results of connectAllSlots.
inline constexpr int kSlotsConnected = 0;
inline constexpr int kSlotConnectTimedOut = -1;
inline constexpr int kSlotConnectFailed = -2;
inline constexpr int kSlotNonBlockingFailed = -3;

struct NetPrinterSlot {
  platform::TcpConnection socket;  // none until a connect run hands one out
  std::u16string address;          // as the page gave it; empty: not configured
  platform::Ipv4Endpoint endpoint;
  bool connected = false;  // the kitchen run sends only to connected slots
  // A direct print found the printer unreachable; later direct prints do
  // not wait for it again until the slot is bound or released anew.
  bool onDemandConnectFailed = false;
};

// Every function below takes printerLock itself; slot numbers outside
// 0..5 are never looked up (they read as unconfigured, unconnected slots).
bool isNetPrinterSlot(int index);

// startIPPrintTask: binds the slot to an IPv4 address; does not connect.
void bindSlot(int index, const std::u16string& address);

// endIPPrintTask: forgets every address and closes every slot socket.
void releaseAllSlots();

// Connects every configured slot afresh (the kitchen run). kSlotsConnected,
// or after a message box for the staff one of the failure codes above.
int connectAllSlots();

// Closes every slot socket and forgets the connected flags (after a kitchen run).
void closeAllSlotSockets();

// Script context release: the "sockets created" flag is cleared, so the next
// kitchen run hands every slot a fresh socket.
void clearNetworkTransportFlags();

bool isSlotConnected(int index);

// What the slot's printer has done with its connection: lost also when the
// slot is not connected or a send to it failed. The kitchen run asks before
// and after each ticket item.
platform::TcpConnection::PeerState slotPeerState(int index);

// The end of a kitchen run (see platform::finishSending, within one answer
// wait): true for each connected slot whose printer may not have taken
// every byte sent to it.
std::array<bool, kNetPrinterSlotCount> finishSlotDeliveries();

// Before a direct print: connects a configured slot whose socket is not
// connected (or was dropped by the printer). Silent when the printer does
// not answer; the bytes that follow are then lost as with no connection.
void connectSlotOnDemand(int index);

// One command to the slot's printer. A failed send leaves the slot
// unconnected, so the slot's later bytes fail fast instead of each waiting.
void sendToSlot(int index, std::string_view bytes);

}  // namespace lumetra
