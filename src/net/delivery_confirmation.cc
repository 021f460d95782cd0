#include "net/delivery_confirmation.h"

namespace lumetra {

std::vector<bool> finishSending(std::span<platform::TcpConnection* const> connections, std::chrono::milliseconds wait) {
  std::vector<bool> uncertain(connections.size());
  for (std::size_t i = 0; i < connections.size(); ++i) {
    if (!connections[i]) continue;
    // A printer that ended the connection before being told that all had
    // come may have dropped what arrived after its last read.
    uncertain[i] = !connections[i]->isConnected();
    connections[i]->endSending();
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (std::size_t i = 0; i < connections.size(); ++i) {
    if (connections[i] && !uncertain[i]) {
      const platform::TcpConnection::PeerState end = connections[i]->awaitPeerEnd(deadline);
      uncertain[i] = end == platform::TcpConnection::PeerState::lost ||
                     (end == platform::TcpConnection::PeerState::open && connections[i]->sentBytesUnanswered());
    }
  }
  return uncertain;
}

}  // namespace lumetra
