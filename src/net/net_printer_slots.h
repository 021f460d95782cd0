#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "base/mutex.h"
#include "platform/net/tcp_connection.h"
#include "printer/printer_registry.h"

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

// A connection to a network printer named by a print task. An entry exists
// only once its connect succeeded, so finding one never stands in for a
// connection that was never made.
struct TaskConnection {
  platform::TcpConnection socket;  // none after a failed send
  std::uint64_t id;                // tells a connection from the one it replaced
};

// The network printers of one web process: the page's six slots and the
// print task connections, keyed by the address text as the task gives it.
// Both are used only inside an output sequence, so outputLock guards them.
struct NetworkPrinters {
  explicit NetworkPrinters(Printers& printers) : printers(printers) {}
  NetworkPrinters(const NetworkPrinters&) = delete;
  NetworkPrinters& operator=(const NetworkPrinters&) = delete;

  Printers& printers;
  std::array<NetPrinterSlot, kNetPrinterSlotCount> slots GUARDED_BY(printers.outputLock);
  bool socketsCreated GUARDED_BY(printers.outputLock) = false;  // every slot holds a socket from this run
  std::map<std::u16string, TaskConnection> taskConnections GUARDED_BY(printers.outputLock);
  std::uint64_t lastConnectionId GUARDED_BY(printers.outputLock) = 0;
};

// Slot numbers outside 0..5 are never looked up (they read as unconfigured,
// unconnected slots).
bool isNetPrinterSlot(int index);

// startIPPrintTask: binds the slot to an IPv4 address; does not connect.
void bindSlot(NetworkPrinters& net, int index, const std::u16string& address) REQUIRES(net.printers.outputLock);

// endIPPrintTask: forgets every address and closes every slot socket.
void releaseAllSlots(NetworkPrinters& net) REQUIRES(net.printers.outputLock);

// Connects every configured slot afresh (the kitchen run): kSlotsConnected,
// or one of the failure codes above, which the staff must be told with
// connectFailureMessage once no lock is held.
int connectAllSlots(NetworkPrinters& net) REQUIRES(net.printers.outputLock);
std::string_view connectFailureMessage(int result);

// Closes every slot socket and forgets the connected flags (after a kitchen run).
void closeAllSlotSockets(NetworkPrinters& net) REQUIRES(net.printers.outputLock);

// Script context release: the "sockets created" flag is cleared, so the next
// kitchen run hands every slot a fresh socket.
void clearNetworkTransportFlags(NetworkPrinters& net) REQUIRES(net.printers.outputLock);

bool isSlotConnected(NetworkPrinters& net, int index) REQUIRES(net.printers.outputLock);

// What the slot's printer has done with its connection: lost also when the
// slot is not connected or a send to it failed. The kitchen run asks before
// and after each ticket item.
platform::TcpConnection::PeerState slotPeerState(NetworkPrinters& net, int index)
    REQUIRES(net.printers.outputLock);

// The end of a kitchen run (see finishSending, within one answer wait): true
// for each connected slot whose printer may not have taken every byte sent
// to it.
std::array<bool, kNetPrinterSlotCount> finishSlotDeliveries(NetworkPrinters& net)
    REQUIRES(net.printers.outputLock);

// Before a direct print: connects a configured slot whose socket is not
// connected (or was dropped by the printer). Silent when the printer does
// not answer; the bytes that follow are then lost as with no connection.
void connectSlotOnDemand(NetworkPrinters& net, int index) REQUIRES(net.printers.outputLock);

// One command to the slot's printer. A failed send leaves the slot
// unconnected, so the slot's later bytes fail fast instead of each waiting.
void sendToSlot(NetworkPrinters& net, int index, std::string_view bytes) REQUIRES(net.printers.outputLock);

}  // namespace lumetra
