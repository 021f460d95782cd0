#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "delivery/printer_backlog.h"

namespace lumetra::shell {

// The staff's notice of printers with tickets waiting (and of a page that
// is not trusted with the till's functions): a small window above
// the till in the primary monitor's bottom-right corner that never takes
// the keyboard from it, updated in place and hidden once nothing waits.
// Alerts of the shell's own (a refused certificate) stand above the
// printers' lines for the rest of the run.
class PrinterNoticeWindow {
 public:
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
  void show(const std::vector<PrinterBacklog>& backlogs);
  // A line said once however often it is added; the first few are kept.
  void addAlert(const std::string& line);
  // A line about the till's page above the printers' lines; empty: none.
  void showPageLine(std::string line);
  // From now on each new text goes to stderr too, on one line.
  void traceChanges() { traceChanges_ = true; }

 private:
  void refresh();
  void create();
  void fitToText();
  static void onSizeAllocate(GtkWidget* window, GdkRectangle* allocation, gpointer notice);

  GtkWindow* till_ = nullptr;
  GtkWidget* window_ = nullptr;
  GtkWidget* label_ = nullptr;
  std::vector<std::string> alerts_;
  std::string pageLine_;
  std::string printerText_;
  std::string text_;  // what it says; empty while hidden
  bool traceChanges_ = false;
};

}  // namespace lumetra::shell
