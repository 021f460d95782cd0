#include "app/notice/printer_notice.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "app/notice/printer_trouble_text.h"

namespace lumetra::shell {
namespace {

constexpr int kNoticeMargin = 16;

std::tm localTime(std::int64_t unixSeconds) {
  const auto seconds = static_cast<std::time_t>(unixSeconds);
  std::tm local{};
  localtime_r(&seconds, &local);
  return local;
}

// "12:03" today, "3月5日 23:58" earlier this year, with the year before that.
std::string sinceText(std::int64_t sinceUnixSeconds, std::int64_t nowUnixSeconds) {
  const std::tm since = localTime(sinceUnixSeconds);
  const std::tm now = localTime(nowUnixSeconds);
  std::string text;
  if (since.tm_year != now.tm_year) text += std::to_string(since.tm_year + 1900) + "年";
  if (since.tm_year != now.tm_year || since.tm_yday != now.tm_yday) {
    text += std::to_string(since.tm_mon + 1) + "月" + std::to_string(since.tm_mday) + "日 ";
  }
  char clock[8];
  std::snprintf(clock, sizeof clock, "%02d:%02d", since.tm_hour, since.tm_min);
  return text + clock;
}

// Control characters would break the notice's lines; a long text (a
// queue's name is the page's choice) is cut after whole characters.
std::string singleLine(std::string_view text, std::size_t mostCharacters = kPrinterNameMaxCharacters) {
  std::string shown;
  std::size_t characters = 0;
  for (const char byte : text) {
    const auto unit = static_cast<unsigned char>(byte);
    const bool starts = (unit & 0xC0) != 0x80;
    if (starts && ++characters > mostCharacters) return shown + "…";
    shown += (unit < 0x20 || unit == 0x7F) ? ' ' : byte;
  }
  return shown;
}

std::string printerLine(const NoticePrinter& printer, const NoticeSettings& settings, std::int64_t nowUnixSeconds) {
  const PrinterBacklog& backlog = printer.backlog;
  std::string reason(troubleText(backlog.trouble));
  if (printer.movedToBackup) {
    const auto backup = settings.backups.find(backlog.printer);
    reason = "已改到 " + (backup == settings.backups.end() ? std::string("备用打印机") : singleLine(backup->second));
  }
  // A printer that reports a condition (paper near its end) with nothing waiting.
  if (backlog.waiting == 0) return "打印机 " + singleLine(backlog.printer) + "：" + reason;
  std::string line =
      "打印机 " + singleLine(backlog.printer) + "：" + std::to_string(backlog.waiting) + " 张单据等待打印";
  if (backlog.sinceUnixSeconds > 0) {
    line += "（" + sinceText(backlog.sinceUnixSeconds, nowUnixSeconds) + " 起）";
  } else if (!reason.empty()) {
    line += "，";
  }
  return line + reason;
}

PrinterRef refOf(const NoticePrinter& printer) { return {printer.kind, printer.backlog.printer}; }

// Tickets that go out by themselves once the printer takes them.
std::size_t freshTickets(const NoticePrinter& printer) {
  return printer.backlog.waiting > printer.held ? printer.backlog.waiting - printer.held : 0;
}

NoticeButton button(std::string label, NoticeStep step, PrinterAction action, const NoticePrinter& printer) {
  return {std::move(label), step, action, refOf(printer), {}};
}

NoticeRow confirmationRow(const NoticePrinter& printer, PrinterAction action, std::size_t tickets) {
  return {"确认作废 打印机 " + singleLine(printer.backlog.printer) + " 的 " + std::to_string(tickets) + " 张单据？",
          {button("确认", NoticeStep::send, action, printer), button("取消", NoticeStep::cancel, action, printer)}};
}

// The printers the staff may send this printer's tickets to: any but itself.
std::vector<PrinterRef> targetsFor(const NoticePrinter& printer, const std::vector<PrinterRef>& targets) {
  std::vector<PrinterRef> others;
  for (const PrinterRef& target : targets) {
    if (target == refOf(printer) || others.size() == kPrinterNoticeMaxTargets) continue;
    others.push_back(target);
  }
  return others;
}

NoticeRow targetRow(const NoticePrinter& printer, const std::vector<PrinterRef>& targets) {
  NoticeRow row{"改到：", {}};
  for (const PrinterRef& target : targets) {
    NoticeButton choice = button(singleLine(target.name), NoticeStep::send, PrinterAction::redirect, printer);
    choice.target = target;
    row.buttons.push_back(std::move(choice));
  }
  row.buttons.push_back(button("取消", NoticeStep::cancel, PrinterAction::redirect, printer));
  return row;
}

// The printer's own line and buttons, then a line for its old tickets, and
// the step the staff opened on it, if any.
void addPrinterRows(std::vector<NoticeRow>& rows, const NoticePrinter& printer, const std::vector<PrinterRef>& targets,
                    const NoticeSettings& settings, const std::optional<OpenStep>& open, std::int64_t nowUnixSeconds) {
  NoticeRow line{printerLine(printer, settings, nowUnixSeconds), {}};
  const std::vector<PrinterRef> others = targetsFor(printer, targets);
  if (freshTickets(printer) > 0) {
    line.buttons.push_back(button("重试", NoticeStep::send, PrinterAction::retry, printer));
    if (!others.empty()) {
      line.buttons.push_back(button("改到…", NoticeStep::chooseTarget, PrinterAction::redirect, printer));
    }
    line.buttons.push_back(button("作废", NoticeStep::confirmDiscard, PrinterAction::discard, printer));
  }
  rows.push_back(std::move(line));
  if (printer.held > 0) {
    rows.push_back(
        {std::to_string(printer.held) + " 张单据已超过 " + std::to_string(settings.holdAfterMinutes) + " 分钟",
         {button("打印", NoticeStep::send, PrinterAction::printOld, printer),
          button("作废", NoticeStep::confirmDiscardOld, PrinterAction::discardOld, printer)}});
  }
  if (!open || open->printer != refOf(printer)) return;
  if (open->step == NoticeStep::chooseTarget && !others.empty()) rows.push_back(targetRow(printer, others));
  if (open->step == NoticeStep::confirmDiscard) {
    rows.push_back(confirmationRow(printer, PrinterAction::discard, printer.backlog.waiting));
  }
  if (open->step == NoticeStep::confirmDiscardOld) {
    rows.push_back(confirmationRow(printer, PrinterAction::discardOld, printer.held));
  }
}

}  // namespace

const char* printerActionWord(PrinterAction action) {
  switch (action) {
    case PrinterAction::retry:
      return "retry";
    case PrinterAction::redirect:
      return "redirect";
    case PrinterAction::discard:
      return "discard";
    case PrinterAction::printOld:
      return "print-old";
    case PrinterAction::discardOld:
      return "discard-old";
  }
  return "";
}

std::vector<NoticeRow> printerNoticeRows(const std::vector<NoticePrinter>& printers,
                                         const std::vector<PrinterRef>& targets, const NoticeSettings& settings,
                                         const std::optional<OpenStep>& open, std::int64_t nowUnixSeconds) {
  if (printers.empty()) return {};
  const auto anyFresh = [](const NoticePrinter& printer) { return freshTickets(printer) > 0; };
  const auto anyHeld = [](const NoticePrinter& printer) { return printer.held > 0; };
  std::vector<NoticeRow> rows;
  if (std::any_of(printers.begin(), printers.end(), anyFresh)) {
    rows.push_back({"以下打印机有单据等待打印，恢复后自动补打：", {}});
  } else if (std::any_of(printers.begin(), printers.end(), anyHeld)) {
    // Old tickets never go out by themselves.
    rows.push_back({"以下打印机有单据等待处理：", {}});
  } else {
    rows.push_back({"打印机提示：", {}});
  }
  const std::size_t named = std::min(printers.size(), kPrinterNoticeMaxPrinters);
  for (std::size_t i = 0; i < named; ++i) addPrinterRows(rows, printers[i], targets, settings, open, nowUnixSeconds);
  if (printers.size() > named) {
    rows.push_back({"另有 " + std::to_string(printers.size() - named) + " 台打印机有单据等待打印", {}});
  }
  return rows;
}

bool stepStillOpen(const OpenStep& open, const std::vector<NoticePrinter>& printers) {
  const auto printer = std::find_if(printers.begin(), printers.end(),
                                    [&](const NoticePrinter& listed) { return refOf(listed) == open.printer; });
  if (printer == printers.end()) return false;
  return open.step == NoticeStep::confirmDiscardOld ? printer->held > 0 : freshTickets(*printer) > 0;
}

std::string noticeRowsText(const std::vector<NoticeRow>& rows) {
  std::string text;
  for (const NoticeRow& row : rows) text += (text.empty() ? "" : "\n") + row.text;
  return text;
}

std::string certificateRefusedNotice(const std::string& host) {
  return "安全提醒：" + singleLine(host) + " 的证书不符，已拒绝连接，请联系维护人员";
}

std::string untrustedPageLine(std::string_view originName) {
  return "此页面不在受信任来源中，收银功能已停用：" + singleLine(originName, kOriginNameMaxCharacters);
}

ScreenArea placePrinterNotice(ScreenArea workArea, int naturalWidth, int naturalHeight) {
  // Half the area less a margin on each side keeps the centre clear.
  const int margin = std::min({kNoticeMargin, workArea.width / 8, workArea.height / 8});
  const int width = std::clamp(naturalWidth, 1, std::max(1, workArea.width / 2 - 2 * margin));
  const int height = std::clamp(naturalHeight, 1, std::max(1, workArea.height / 2 - 2 * margin));
  return {workArea.x + workArea.width - margin - width, workArea.y + workArea.height - margin - height, width, height};
}

}  // namespace lumetra::shell
