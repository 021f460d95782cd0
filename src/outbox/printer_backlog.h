#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumetra {

// One printer whose tickets are waiting, for the staff notice.
struct PrinterBacklog {
  std::string printer;                // UTF-8: the network address, or the spooler queue's name
  std::size_t waiting = 0;            // tickets journalled and not yet delivered
  std::int64_t sinceUnixSeconds = 0;  // when its oldest waiting ticket was first refused
  std::string reason;  // UTF-8 Chinese text for the staff, e.g. "无法连接" / "打印机停止接收数据"
};

// Called from the delivery thread whenever the set of printers with a backlog
// or any of their counts changes; an empty list means everything was
// delivered. Must not block.
using BacklogListener = std::function<void(std::vector<PrinterBacklog>)>;

}  // namespace lumetra
