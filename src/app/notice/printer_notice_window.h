#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/notice/printer_notice.h"

namespace lumetra::shell {

// The staff's notice of printers with tickets waiting (and of a page that
// is not trusted with the till's functions): a small window above
// the till in the primary monitor's bottom-right corner that never takes
// the keyboard from it, updated in place and hidden once nothing waits.
// Alerts of the shell's own (a refused certificate) stand above the
// printers' lines for the rest of the run. Its buttons act on a printer's
// tickets by touch or mouse alone.
class PrinterNoticeWindow {
 public:
  // Hands a printer action message's parameters to the till's page.
  using ActionSender = std::function<void(GVariant* parameters)>;

  PrinterNoticeWindow() = default;
  ~PrinterNoticeWindow();
  PrinterNoticeWindow(const PrinterNoticeWindow&) = delete;
  PrinterNoticeWindow& operator=(const PrinterNoticeWindow&) = delete;

  // The notice stays above `till`, the main window, even where the window
  // manager raises a borderless screen-sized window over every other.
  void keepAbove(GtkWindow* till);
  // Shows what the parameters of a printer backlog message list; false
  // (and nothing changes) when they are not such a list.
  bool showMessage(GVariant* parameters);
  // Nothing known of the printers, as when the web process is gone.
  void clearPrinters();
  void setSettings(NoticeSettings settings) { settings_ = std::move(settings); }
  void sendActionsWith(ActionSender sender) { sendAction_ = std::move(sender); }
  // A line said once however often it is added; the first few are kept.
  void addAlert(const std::string& line);
  // A line about the till's page above the printers' lines; empty: none.
  void showPageLine(std::string line);
  // From now on each new text goes to stderr too, on one line, and where
  // its buttons are, so that a test can press them.
  void traceChanges() { traceChanges_ = true; }

 private:
  void refresh();
  void create();
  void fillRows(const std::vector<NoticeRow>& rows);
  void fitToText();
  void press(const NoticeButton& button);
  void traceButtons();
  static void onButtonClicked(GtkButton* button, gpointer notice);
  static gboolean onButtonDrawn(GtkWidget* button, cairo_t* cairo, gpointer notice);
  static void onSizeAllocate(GtkWidget* window, GdkRectangle* allocation, gpointer notice);

  GtkWindow* till_ = nullptr;
  GtkWidget* window_ = nullptr;
  GtkWidget* rowsBox_ = nullptr;
  GtkCssProvider* style_ = nullptr;
  std::vector<std::string> alerts_;
  std::string pageLine_;
  std::vector<NoticePrinter> printers_;
  std::vector<PrinterRef> targets_;
  std::optional<OpenStep> open_;
  NoticeSettings settings_;
  ActionSender sendAction_;
  std::vector<NoticeRow> rows_;  // what the buttons shown stand for
  bool traceChanges_ = false;
  std::string buttonsTraced_;
};

}  // namespace lumetra::shell
