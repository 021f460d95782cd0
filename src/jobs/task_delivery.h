#pragma once

#include <map>
#include <string>
#include <vector>

namespace lumetra {

// The tasks of one task list written to network printers, until each printer
// is known to have taken them. A printer that resets its connection may have
// lost what it held, so its tasks go to the pending list again (a receipt
// printed twice rather than lost); one that ends the connection in order, or
// is still there when the list ends, has them.
class NetworkDeliveries {
 public:
  NetworkDeliveries() = default;
  NetworkDeliveries(const NetworkDeliveries&) = delete;
  NetworkDeliveries& operator=(const NetworkDeliveries&) = delete;

  // Before a task opens `address`: settles the tasks sent on its last connection.
  void settleBeforeOpening(const std::u16string& address);
  // After a task's writes; `written` false when one of them failed.
  void record(const std::u16string& address, const std::string& taskJson, bool written);
  // The end of the list: closes every task connection and settles every task.
  void closeAll();

 private:
  void sendToPending(const std::u16string& address);

  std::map<std::u16string, std::vector<std::string>> unconfirmed_;  // oldest first
};

}  // namespace lumetra
