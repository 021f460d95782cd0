#pragma once

namespace lumetra {

// The six network printer slots (0..5) the page binds with startIPPrintTask.
inline constexpr int kNetPrinterSlotCount = 6;

// Results of connectAllSlots.
inline constexpr int kSlotsConnected = 0;
inline constexpr int kSlotConnectTimedOut = -1;
inline constexpr int kSlotConnectFailed = -2;
inline constexpr int kSlotNonBlockingFailed = -3;

// Connects every configured slot afresh (the kitchen run).
int connectAllSlots();

// Closes every slot socket and forgets the connected flags (after a kitchen run).
void closeAllSlotSockets();

// Script context release: the transport's "network started" and "sockets
// created" flags are cleared.
void clearNetworkTransportFlags();

}  // namespace lumetra
