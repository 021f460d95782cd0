#include "jobs/task_delivery.h"

#include "jobs/pending_tasks.h"
#include "net/print_target.h"

namespace lumetra {

using PeerState = platform::TcpConnection::PeerState;

void NetworkDeliveries::settleBeforeOpening(const std::u16string& address) {
  switch (taskConnectionState(address)) {
    case PeerState::open:
      return;
    case PeerState::finished:
      unconfirmed_.erase(address);
      return;
    case PeerState::lost:
      sendToPending(address);
      return;
  }
}

void NetworkDeliveries::record(const std::u16string& address, const std::string& taskJson, bool written) {
  unconfirmed_[address].push_back(taskJson);
  if (!written || taskConnectionState(address) == PeerState::lost) sendToPending(address);
}

void NetworkDeliveries::closeAll() {
  for (const std::u16string& address : closeTaskConnections()) sendToPending(address);
  unconfirmed_.clear();
}

void NetworkDeliveries::sendToPending(const std::u16string& address) {
  const auto entry = unconfirmed_.find(address);
  if (entry == unconfirmed_.end()) return;
  for (std::string& task : entry->second) addPendingTask(std::move(task));
  unconfirmed_.erase(entry);
}

}  // namespace lumetra
