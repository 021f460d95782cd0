#include "app/notice/printer_notice_window.h"

#include <algorithm>
#include <cstdio>

#include "app/notice/printer_notice.h"
#include "app/primary_screen.h"
#include "base/log.h"
#include "base/process_messages.h"

namespace lumetra::shell {
namespace {

constexpr const char* kNoticeStyle =
    "window { background-color: #fff4ce; border: 1px solid #d39e00; }"
    "label { color: #3b2a00; font-size: 14px; padding: 4px 14px; }"
    "button { font-size: 14px; padding: 4px 12px; margin: 2px; min-height: 32px; }";
// Where a button's row and place in its row are kept on it.
constexpr const char* kRowKey = "lumetra-notice-row";
constexpr const char* kButtonKey = "lumetra-notice-button";

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

// A code of another build's, unknown here, leaves the reason out.
NoticePrinter printerOf(guint8 kind, const char* name, guint64 waiting, guint64 held, gint64 since,
                        std::string_view code) {
  NoticePrinter printer{kind, {name, static_cast<std::size_t>(waiting), since, Trouble::none}, 0, false};
  printer.movedToBackup = code == kMovedToBackupCode;
  if (!printer.movedToBackup) printer.backlog.trouble = troubleOfCode(code).value_or(Trouble::none);
  // More held than waiting would make no sense of either.
  printer.held = static_cast<std::size_t>(std::min(held, waiting));
  return printer;
}

// The web process keeps its lists bounded; this bounds what a faulty one
// could make the notice hold.
constexpr std::size_t kMostPrintersRead = 256;

std::vector<NoticePrinter> printersOf(GVariant* list) {
  std::vector<NoticePrinter> printers;
  GVariantIter items;
  g_variant_iter_init(&items, list);
  guint8 kind = 0;
  const char* printer = nullptr;
  guint64 waiting = 0;
  guint64 held = 0;
  gint64 since = 0;
  const char* code = nullptr;
  while (printers.size() < kMostPrintersRead &&
         g_variant_iter_next(&items, "(y&sttx&s)", &kind, &printer, &waiting, &held, &since, &code)) {
    printers.push_back(printerOf(kind, printer, waiting, held, since, code));
  }
  return printers;
}

std::vector<PrinterRef> targetsOf(GVariant* list) {
  std::vector<PrinterRef> targets;
  GVariantIter items;
  g_variant_iter_init(&items, list);
  guint8 kind = 0;
  const char* name = nullptr;
  while (targets.size() < kMostPrintersRead && g_variant_iter_next(&items, "(y&s)", &kind, &name)) {
    targets.push_back({kind, name});
  }
  return targets;
}

GVariant* actionParameters(const NoticeButton& button) {
  return g_variant_new("(sysys)", printerActionWord(button.action), button.printer.kind, button.printer.name.c_str(),
                       button.target.kind, button.target.name.c_str());
}

// Never given the keyboard, so that a press leaves it with the till.
GtkWidget* newButton(const NoticeButton& button, std::size_t row, std::size_t place, GtkCssProvider* style,
                     GCallback onClicked, gpointer notice) {
  GtkWidget* widget = gtk_button_new_with_label(button.label.c_str());
  gtk_widget_set_can_focus(widget, FALSE);
  gtk_widget_set_focus_on_click(widget, FALSE);
  g_object_set_data(G_OBJECT(widget), kRowKey, GSIZE_TO_POINTER(row));
  g_object_set_data(G_OBJECT(widget), kButtonKey, GSIZE_TO_POINTER(place));
  g_signal_connect(widget, "clicked", onClicked, notice);
  applyNoticeStyle(widget, style);
  return widget;
}

GtkWidget* newLine(const std::string& text, GtkCssProvider* style) {
  GtkWidget* label = gtk_label_new(text.c_str());
  // A line a printer; cut short, not wrapped, where the corner is too narrow.
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  applyNoticeStyle(label, style);
  return label;
}

}  // namespace

PrinterNoticeWindow::~PrinterNoticeWindow() {
  if (window_) gtk_widget_destroy(window_);
  if (style_) g_object_unref(style_);
}

void PrinterNoticeWindow::keepAbove(GtkWindow* till) {
  till_ = till;
  if (window_) gtk_window_set_transient_for(GTK_WINDOW(window_), till_);
}

bool PrinterNoticeWindow::showMessage(GVariant* parameters) {
  if (!parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE(kPrinterBacklogType))) return false;
  GVariant* printers = g_variant_get_child_value(parameters, 0);
  GVariant* targets = g_variant_get_child_value(parameters, 1);
  printers_ = printersOf(printers);
  targets_ = targetsOf(targets);
  g_variant_unref(printers);
  g_variant_unref(targets);
  if (open_ && !stepStillOpen(*open_, printers_)) open_.reset();
  refresh();
  return true;
}

void PrinterNoticeWindow::clearPrinters() {
  printers_.clear();
  targets_.clear();
  open_.reset();
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
  std::vector<NoticeRow> rows;
  for (const std::string& alert : alerts_) rows.push_back({alert, {}});
  if (!pageLine_.empty()) rows.push_back({pageLine_, {}});
  for (NoticeRow& row : printerNoticeRows(printers_, targets_, settings_, open_, g_get_real_time() / G_USEC_PER_SEC)) {
    rows.push_back(std::move(row));
  }
  if (traceChanges_) traceText(noticeRowsText(rows));
  if (rows.empty()) {
    rows_.clear();
    if (window_) gtk_widget_hide(window_);
    return;
  }
  if (!window_) create();
  // Rebuilt only when changed: a button under the staff's finger stays.
  if (rows != rows_) {
    rows_ = std::move(rows);
    fillRows(rows_);
    fitToText();
  }
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

  rowsBox_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_add(GTK_CONTAINER(window_), rowsBox_);
  gtk_widget_show(rowsBox_);

  style_ = gtk_css_provider_new();
  gtk_css_provider_load_from_data(style_, kNoticeStyle, -1, nullptr);
  applyNoticeStyle(window_, style_);
}

// A line with its buttons at its end; the old ones go.
void PrinterNoticeWindow::fillRows(const std::vector<NoticeRow>& rows) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(rowsBox_));
  for (GList* child = children; child; child = child->next) gtk_widget_destroy(GTK_WIDGET(child->data));
  g_list_free(children);
  for (std::size_t row = 0; row < rows.size(); ++row) {
    GtkWidget* line = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_box_pack_start(GTK_BOX(line), newLine(rows[row].text, style_), TRUE, TRUE, 0);
    for (std::size_t place = 0; place < rows[row].buttons.size(); ++place) {
      GtkWidget* button = newButton(rows[row].buttons[place], row, place, style_, G_CALLBACK(onButtonClicked), this);
      if (traceChanges_) g_signal_connect_after(button, "draw", G_CALLBACK(onButtonDrawn), this);
      gtk_box_pack_start(GTK_BOX(line), button, FALSE, FALSE, 0);
    }
    gtk_box_pack_start(GTK_BOX(rowsBox_), line, FALSE, FALSE, 0);
    gtk_widget_show_all(line);
  }
}

void PrinterNoticeWindow::onButtonClicked(GtkButton* widget, gpointer notice) {
  auto* self = static_cast<PrinterNoticeWindow*>(notice);
  const auto row = GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(widget), kRowKey));
  const auto place = GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(widget), kButtonKey));
  if (row >= self->rows_.size() || place >= self->rows_[row].buttons.size()) return;
  // A copy: the press rebuilds the rows, this button with them.
  self->press(NoticeButton(self->rows_[row].buttons[place]));
}

// Opens or closes a step, or sends the action and closes the step that led
// to it; the next list from the web process shows what came of it.
void PrinterNoticeWindow::press(const NoticeButton& button) {
  if (button.step == NoticeStep::send) {
    open_.reset();
    // The web process, which carries it out, says on stderr what it did.
    if (sendAction_) sendAction_(actionParameters(button));
  } else if (button.step == NoticeStep::cancel) {
    open_.reset();
  } else {
    open_ = OpenStep{button.step, button.printer};
  }
  refresh();
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
void PrinterNoticeWindow::onSizeAllocate(GtkWidget* window, GdkRectangle* allocation, gpointer notice) {
  const ScreenArea place = placePrinterNotice(workArea(), allocation->width, allocation->height);
  gtk_window_move(GTK_WINDOW(window), place.x, place.y);
}

// Drawn, a button is where the staff see it.
gboolean PrinterNoticeWindow::onButtonDrawn(GtkWidget*, cairo_t*, gpointer notice) {
  static_cast<PrinterNoticeWindow*>(notice)->traceButtons();
  return FALSE;
}

// Each button's label and centre in the window, in the order shown.
void PrinterNoticeWindow::traceButtons() {
  std::string buttons;
  GList* lines = gtk_container_get_children(GTK_CONTAINER(rowsBox_));
  for (GList* line = lines; line; line = line->next) {
    GList* parts = gtk_container_get_children(GTK_CONTAINER(line->data));
    for (GList* part = parts; part; part = part->next) {
      if (!GTK_IS_BUTTON(part->data)) continue;
      GtkWidget* widget = GTK_WIDGET(part->data);
      int x = 0;
      int y = 0;
      // Not yet drawn: its own drawing traces them all again.
      if (gtk_widget_get_allocated_width(widget) <= 1 ||
          !gtk_widget_translate_coordinates(widget, window_, gtk_widget_get_allocated_width(widget) / 2,
                                            gtk_widget_get_allocated_height(widget) / 2, &x, &y)) {
        g_list_free(parts);
        g_list_free(lines);
        return;
      }
      buttons += std::string(buttons.empty() ? "" : "|") + gtk_button_get_label(GTK_BUTTON(widget)) + "@" +
                 std::to_string(x) + "," + std::to_string(y);
    }
    g_list_free(parts);
  }
  g_list_free(lines);
  if (buttons == buttonsTraced_) return;
  buttonsTraced_ = buttons;
  logf(LogLevel::info, "printer notice buttons [%s]", buttons.c_str());
}

}  // namespace lumetra::shell
