#include "app/notice/printer_trouble_text.h"

namespace lumetra::shell {

std::string_view troubleText(Trouble trouble) {
  switch (trouble) {
    case Trouble::unanswered:
      return "无法连接";
    case Trouble::refused:
      return "打印机拒绝连接";
    case Trouble::stalled:
      return "打印机停止接收数据";
    case Trouble::interrupted:
      return "打印中断，将重新打印";
    case Trouble::queueMissing:
      return "找不到打印队列";
    case Trouble::queueRefused:
      return "打印队列拒绝接收";
    case Trouble::queueFailed:
      return "打印队列出错";
    case Trouble::printerFull:
      return "等待的小票已满，新小票未能接收";
    case Trouble::outboxFull:
      return "所有打印机等待的小票已满，新小票未能接收";
    case Trouble::unknownPrinterFull:
      return "从未打印成功的打印机等待的小票已满，新小票未能接收";
    case Trouble::paperEnd:
      return "打印机缺纸，请装纸";
    case Trouble::coverOpen:
      return "打印机上盖打开，请合上";
    case Trouble::paperJam:
      return "打印机卡纸";
    case Trouble::printerError:
      return "打印机故障";
    case Trouble::printerOffline:
      return "打印机离线";
    case Trouble::queuePaused:
      return "打印队列已暂停";
    case Trouble::paperNearEnd:
      return "打印纸将用尽，请准备换纸";
    case Trouble::movedToBackup:
      return "打印机无响应，单据改由备用打印机打印";
    case Trouble::none:
      break;
  }
  return "";
}

}  // namespace lumetra::shell
