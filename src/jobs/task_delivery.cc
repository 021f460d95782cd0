#include "jobs/task_delivery.h"

#include "jobs/pending_tasks.h"
#include "net/print_target.h"

namespace lumetra {

void NetworkDeliveries::opened(const std::u16string& address) {
  const std::uint64_t connection = taskConnectionId(address);
  Batch& batch = unconfirmed_[address];
  if (batch.connection == connection) return;
  sendToPending(batch);
  batch.connection = connection;
}

void NetworkDeliveries::record(const std::u16string& address, const TaskSource& task, bool written) {
  Batch& batch = unconfirmed_[address];
  batch.tasks.push_back(task);
  if (!written || taskConnectionState(address) != platform::TcpConnection::PeerState::open) sendToPending(batch);
}

void NetworkDeliveries::closeAll() {
  for (const std::u16string& address : closeTaskConnections()) sendToPending(unconfirmed_[address]);
  unconfirmed_.clear();
}

void NetworkDeliveries::sendToPending(Batch& batch) {
  for (const TaskSource& task : batch.tasks) addPendingTask(task.compactJson());
  batch.tasks.clear();
}

}  // namespace lumetra
