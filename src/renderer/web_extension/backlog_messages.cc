#include "renderer/web_extension/backlog_messages.h"

#include <optional>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/process_messages.h"
#include "handover/backup_plan.h"
#include "renderer/backlog_relay.h"
#include "renderer/web_extension/printer_metrics_file.h"
#include "renderer/web_extension/render_delegate.h"

namespace lumetra {
namespace {

// Lives as long as the process; the relay is shared with the delivery
// thread, everything else is the main thread's.
struct BacklogMessages {
  WebKitWebExtension* extension = nullptr;
  BacklogRelay relay;
  std::vector<guint64> pageIds;  // oldest first; pages may be gone since
};

BacklogMessages messages;

// A GVariant string must be valid UTF-8 without NULs, and a queue's name
// is whatever the page passed.
GVariant* utf8Variant(const std::string& text) {
  return g_variant_new_take_string(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
}

GVariant* toVariant(const BacklogReport& report) {
  GVariantBuilder printers;
  g_variant_builder_init(&printers, G_VARIANT_TYPE("a(ysttxs)"));
  for (const PrinterBacklog& backlog : report.printers) {
    g_variant_builder_add(&printers, "(y@sttx@s)", static_cast<guchar>(backlog.kind), utf8Variant(backlog.printer),
                          static_cast<guint64>(backlog.waiting), static_cast<guint64>(backlog.held),
                          static_cast<gint64>(backlog.sinceUnixSeconds),
                          g_variant_new_string(std::string(troubleCode(backlog.trouble)).c_str()));
  }
  GVariantBuilder targets;
  g_variant_builder_init(&targets, G_VARIANT_TYPE("a(ys)"));
  for (const PrinterKey& target : report.targets) {
    g_variant_builder_add(&targets, "(y@s)", static_cast<guchar>(target.kind), utf8Variant(target.name));
  }
  return g_variant_new("(a(ysttxs)a(ys))", &printers, &targets);
}

// A printer the UI process names: a known kind and a name no longer than
// any printer's; a network printer's as the outbox spells its address.
std::optional<PrinterKey> printerOf(guchar kind, const char* name) {
  constexpr std::size_t kLongestName = 255;
  const std::string text(name);
  if (text.empty() || text.size() > kLongestName) return std::nullopt;
  if (kind == static_cast<guchar>(PrinterKind::spooler)) return PrinterKey{PrinterKind::spooler, text};
  if (kind != static_cast<guchar>(PrinterKind::network)) return std::nullopt;
  const PrinterKey named = printerNamed(text);
  if (named.kind != PrinterKind::network) return std::nullopt;
  return named;
}

std::optional<StaffAction> staffActionOf(GVariant* parameters) {
  if (!parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE(kPrinterActionType))) return std::nullopt;
  const char* word = nullptr;
  const char* printer = nullptr;
  const char* target = nullptr;
  guchar kind = 0;
  guchar targetKind = 0;
  g_variant_get(parameters, "(&sy&sy&s)", &word, &kind, &printer, &targetKind, &target);
  const std::optional<StaffAction::Kind> action = staffActionKind(word);
  std::optional<PrinterKey> acted = printerOf(kind, printer);
  if (!action || !acted) return std::nullopt;
  StaffAction staff{*action, std::move(*acted), {}};
  if (*action != StaffAction::Kind::redirect) return staff;
  std::optional<PrinterKey> to = printerOf(targetKind, target);
  if (!to || *to == staff.printer) return std::nullopt;
  staff.target = std::move(*to);
  return staff;
}

// Pages are kept by id and looked up: one can be freed at any time.
WebKitWebPage* oldestLivePage() {
  auto& ids = messages.pageIds;
  while (!ids.empty()) {
    if (WebKitWebPage* page = webkit_web_extension_get_page(messages.extension, ids.front())) return page;
    ids.erase(ids.begin());
  }
  return nullptr;
}

void sendNewestBacklog() {
  WebKitWebPage* page = oldestLivePage();
  if (!page) return;  // the report waits for the next page
  const auto backlogs = messages.relay.take();
  if (!backlogs) return;
  webkit_web_page_send_message_to_view(
      page, webkit_user_message_new(std::string(kPrinterBacklogMessage).c_str(), toVariant(*backlogs)), nullptr,
      nullptr, nullptr);
}

// After the list is taken: a change posted meanwhile wakes the thread again.
gboolean onWokenForBacklog(gpointer) {
  sendNewestBacklog();
  if (messages.relay.takeStatesChanged()) {
    tellPrinterStates();
    writePrinterMetricsFile();
  }
  return G_SOURCE_REMOVE;
}

// On the delivery thread. An idle source rather than g_main_context_invoke:
// that would run the send right here whenever the main thread happens not
// to own its context.
void onBacklogChanged(BacklogReport report) {
  if (messages.relay.post(std::move(report))) g_idle_add(onWokenForBacklog, nullptr);
}

void onPrinterStatesChanged() {
  if (messages.relay.postStatesChanged()) g_idle_add(onWokenForBacklog, nullptr);
}

}  // namespace

void startBacklogMessages(WebKitWebExtension* extension, Context& context) {
  messages.extension = extension;
  context.jobs.onBacklogChanged = onBacklogChanged;
  context.jobs.onPrinterStatesChanged = onPrinterStatesChanged;
}

void addBacklogMessagePage(WebKitWebPage* page) {
  messages.pageIds.push_back(webkit_web_page_get_id(page));
  sendNewestBacklog();
}

}  // namespace lumetra

namespace lumetra {

bool actOnPrinterMessage(Context& context, WebKitUserMessage* message) {
  if (std::string_view(webkit_user_message_get_name(message)) != kPrinterActionMessage) return false;
  std::optional<StaffAction> action = staffActionOf(webkit_user_message_get_parameters(message));
  if (!action) {
    logLine(LogLevel::warning, "a printer action from the notice names no action or printer known here; ignored");
    return true;
  }
  context.jobs.delivery.act(std::move(*action));
  return true;
}

}  // namespace lumetra
