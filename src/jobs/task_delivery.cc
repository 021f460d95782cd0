#include "jobs/task_delivery.h"

#include "net/print_target.h"

namespace lumetra {

void NetworkDeliveries::opened(const std::u16string& address) {
  jobs_.network.printers.outputLock.assertHeld();
  const std::uint64_t connection = taskConnectionId(jobs_.network, address);
  Batch& batch = unconfirmed_[address];
  if (batch.connection == connection) return;
  sendToPending(batch);
  batch.connection = connection;
}

void NetworkDeliveries::record(const std::u16string& address, const TaskSource& task, bool written) {
  jobs_.network.printers.outputLock.assertHeld();
  Batch& batch = unconfirmed_[address];
  batch.tasks.push_back(task);
  if (!written || taskConnectionState(jobs_.network, address) != platform::TcpConnection::PeerState::open) {
    sendToPending(batch);
  }
}

void NetworkDeliveries::closeAll() {
  jobs_.network.printers.outputLock.assertHeld();
  for (const std::u16string& address : closeTaskConnections(jobs_.network)) sendToPending(unconfirmed_[address]);
  unconfirmed_.clear();
}

void NetworkDeliveries::sendToPending(Batch& batch) {
  for (const TaskSource& task : batch.tasks) jobs_.pending.add(task.compactJson());
  batch.tasks.clear();
}

}  // namespace lumetra
