#include "app/printer_notice.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "app/printer_trouble_text.h"

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

std::string printerLine(const PrinterBacklog& backlog, std::int64_t nowUnixSeconds) {
  const std::string reason(troubleText(backlog.trouble));
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

}  // namespace

std::string printerNoticeText(const std::vector<PrinterBacklog>& backlogs, std::int64_t nowUnixSeconds) {
  if (backlogs.empty()) return {};
  const bool waiting =
      std::any_of(backlogs.begin(), backlogs.end(), [](const PrinterBacklog& backlog) { return backlog.waiting > 0; });
  std::string text = waiting ? "以下打印机有单据等待打印，恢复后自动补打：" : "打印机提示：";
  const std::size_t named = std::min(backlogs.size(), kPrinterNoticeMaxPrinters);
  for (std::size_t i = 0; i < named; ++i) text += "\n" + printerLine(backlogs[i], nowUnixSeconds);
  if (backlogs.size() > named) {
    text += "\n另有 " + std::to_string(backlogs.size() - named) + " 台打印机有单据等待打印";
  }
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
