#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "base/mutex.h"
#include "platform/net/tcp_connection.h"
#include "printer/printers.h"

namespace lumetra {

// The six network printer slots (0..5) the page binds with startIPPrintTask.
inline constexpr int kNetPrinterSlotCount = 6;

// Network printers take raw ESC/POS bytes on this port.
inline constexpr std::uint16_t kRawPrinterPort = 9100;

// How long a printer may take to answer a connect, and to take more bytes
// when its buffer is full, before it counts as not ready.
inline constexpr std::chrono::milliseconds kPrinterAnswerWait{3000};

struct NetPrinterSlot {
  platform::TcpConnection socket;  // connected when a direct print needs it
  std::u16string address;          // as the page gave it; empty: not configured
  platform::Ipv4Endpoint endpoint;
};

// The network printers of one web process as the page's direct prints
// reach them: six slots, each bound to a printer, with a connection of
// their own. Tickets (print tasks, kitchen runs) go through the outbox
// instead. Used only inside an output sequence, so outputLock guards them.
struct NetworkPrinters {
  explicit NetworkPrinters(Printers& printers) : printers(printers) {}
  NetworkPrinters(const NetworkPrinters&) = delete;
  NetworkPrinters& operator=(const NetworkPrinters&) = delete;

  Printers& printers;
  std::array<NetPrinterSlot, kNetPrinterSlotCount> slots GUARDED_BY(printers.outputLock());
  // Printers (IPv4 addresses) a direct print waited for in vain: they did
  // not answer, or stopped taking bytes. Later direct prints to them are
  // dropped at once, so the page waits once per printer until it binds a
  // slot to it again or releases the slots.
  std::set<std::uint32_t> notAnswering GUARDED_BY(printers.outputLock());
};

// Slot numbers outside 0..5 are never looked up (they read as unconfigured,
// unconnected slots).
bool isNetPrinterSlot(int index);

// startIPPrintTask: binds the slot to an IPv4 address; does not connect.
void bindSlot(NetworkPrinters& net, int index, const std::u16string& address) REQUIRES(net.printers.outputLock());

// endIPPrintTask: forgets every address and closes every slot socket.
void releaseAllSlots(NetworkPrinters& net) REQUIRES(net.printers.outputLock());

// Closes every slot socket (a kitchen run ends the direct prints' connections).
void closeAllSlotSockets(NetworkPrinters& net) REQUIRES(net.printers.outputLock());

// Script context release: the printers that did not answer are forgotten.
void clearNetworkTransportFlags(NetworkPrinters& net) REQUIRES(net.printers.outputLock());

// Before a direct print: connects a configured slot whose socket is not
// connected (or was dropped by the printer), unless its printer is one
// that did not answer. Silent when the printer does not answer; the bytes
// that follow are then lost as with no connection.
void connectSlotOnDemand(NetworkPrinters& net, int index) REQUIRES(net.printers.outputLock())
    EXCLUDES(net.printers.printerLock());

// One command to the slot's printer. A printer that fails it (gone, or
// taking nothing within the answer wait) counts as not answering, so the
// slot's later bytes fail fast instead of each waiting.
void sendToSlot(NetworkPrinters& net, int index, std::string_view bytes) REQUIRES(net.printers.outputLock())
    EXCLUDES(net.printers.printerLock());

}  // namespace lumetra
