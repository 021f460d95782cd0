#include "app/printer_notice_window.h"

#include <algorithm>
#include <cstdio>

#include "app/primary_screen.h"
#include "app/printer_notice.h"
#include "base/log.h"
#include "base/process_messages.h"

namespace lumetra::shell {
namespace {

constexpr const char* kNoticeStyle =
    "window { background-color: #fff4ce; border: 1px solid #d39e00; }"
    "label { color: #3b2a00; font-size: 14px; padding: 10px 14px; }";

void applyNoticeStyle(GtkWidget* widget, GtkCssProvider* style) {
  gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(style),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// One line, so that a test can wait for a given state of the notice.
void traceText(std::string text) {
  std::replace(text.begin(), text.end(), '\n', '|');
  logf(LogLevel::info, "printer notice [%s]", text.c_str());
}

ScreenArea workArea() {
  const GdkRectangle area = primaryWorkArea();
  return {area.x, area.y, area.width, area.height};
}

std::vector<PrinterBacklog> backlogsOf(GVariant* parameters) {
  std::vector<PrinterBacklog> backlogs;
  GVariantIter items;
  g_variant_iter_init(&items, parameters);
  const char* printer = nullptr;
  const char* code = nullptr;
  guint64 waiting = 0;
  gint64 since = 0;
  while (g_variant_iter_next(&items, "(&stx&s)", &printer, &waiting, &since, &code)) {
    // A code of another build's, unknown here, leaves the reason out.
    backlogs.push_back(
        {printer, static_cast<std::size_t>(waiting), since, troubleOfCode(code).value_or(Trouble::none)});
  }
  return backlogs;
}

}  // namespace

PrinterNoticeWindow::~PrinterNoticeWindow() {
  if (window_) gtk_widget_destroy(window_);
}

void PrinterNoticeWindow::keepAbove(GtkWindow* till) {
  till_ = till;
  if (window_) gtk_window_set_transient_for(GTK_WINDOW(window_), till_);
}

bool PrinterNoticeWindow::showMessage(GVariant* parameters) {
  if (!parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE(kPrinterBacklogType))) return false;
  show(backlogsOf(parameters));
  return true;
}

void PrinterNoticeWindow::show(const std::vector<PrinterBacklog>& backlogs) {
  printerText_ = printerNoticeText(backlogs, g_get_real_time() / G_USEC_PER_SEC);
  refresh();
}

void PrinterNoticeWindow::addAlert(const std::string& line) {
  if (alerts_.size() == kPrinterNoticeMaxAlerts || std::find(alerts_.begin(), alerts_.end(), line) != alerts_.end()) {
    return;
  }
  alerts_.push_back(line);
  refresh();
}

void PrinterNoticeWindow::showPageLine(std::string line) {
  if (line == pageLine_) return;
  pageLine_ = std::move(line);
  refresh();
}

void PrinterNoticeWindow::refresh() {
  text_.clear();
  for (const std::string& alert : alerts_) text_ += alert + "\n";
  if (!pageLine_.empty()) text_ += pageLine_ + "\n";
  text_ += printerText_;
  if (!text_.empty() && text_.back() == '\n') text_.pop_back();
  if (traceChanges_) traceText(text_);
  if (text_.empty()) {
    if (window_) gtk_widget_hide(window_);
    return;
  }
  if (!window_) create();
  gtk_label_set_text(GTK_LABEL(label_), text_.c_str());
  fitToText();
  gtk_widget_show(window_);
}

// Above every window, out of the task bar, and never given the keyboard:
// the cashier keeps typing into the till while it comes and goes. Owned by
// the till: some window managers (openbox) raise a focused borderless
// screen-sized window above even "keep above" ones, but never above a
// window it owns.
void PrinterNoticeWindow::create() {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(window_);
  gtk_window_set_title(window, kPrinterNoticeTitle);
  if (till_) gtk_window_set_transient_for(window, till_);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_NOTIFICATION);
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_keep_above(window, TRUE);
  gtk_window_set_accept_focus(window, FALSE);
  gtk_window_set_focus_on_map(window, FALSE);
  gtk_window_set_skip_taskbar_hint(window, TRUE);
  gtk_window_set_skip_pager_hint(window, TRUE);
  // Closing it would only hide tickets that still wait.
  g_signal_connect(window_, "delete-event", G_CALLBACK(gtk_true), nullptr);
  g_signal_connect(window_, "size-allocate", G_CALLBACK(onSizeAllocate), this);

  label_ = gtk_label_new(nullptr);
  // A line a printer; cut short, not wrapped, where the corner is too narrow.
  gtk_label_set_ellipsize(GTK_LABEL(label_), PANGO_ELLIPSIZE_END);
  gtk_label_set_xalign(GTK_LABEL(label_), 0);
  gtk_container_add(GTK_CONTAINER(window_), label_);
  gtk_widget_show(label_);

  GtkCssProvider* style = gtk_css_provider_new();
  gtk_css_provider_load_from_data(style, kNoticeStyle, -1, nullptr);
  applyNoticeStyle(window_, style);
  applyNoticeStyle(label_, style);
  g_object_unref(style);
}

// The text's own size, within the bounds of the corner; a notice that had
// more lines shrinks with the text.
void PrinterNoticeWindow::fitToText() {
  GtkRequisition natural{};
  gtk_widget_get_preferred_size(window_, nullptr, &natural);
  const ScreenArea place = placePrinterNotice(workArea(), natural.width, natural.height);
  gtk_window_resize(GTK_WINDOW(window_), place.width, place.height);
  gtk_window_move(GTK_WINDOW(window_), place.x, place.y);
}

// Whatever size the window ends up with, it goes into the corner.
void PrinterNoticeWindow::onSizeAllocate(GtkWidget* window, GdkRectangle* allocation, gpointer) {
  const ScreenArea place = placePrinterNotice(workArea(), allocation->width, allocation->height);
  gtk_window_move(GTK_WINDOW(window), place.x, place.y);
}

}  // namespace lumetra::shell
