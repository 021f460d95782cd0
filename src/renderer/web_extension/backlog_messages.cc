#include "renderer/web_extension/backlog_messages.h"

#include <string>
#include <vector>

#include "base/process_messages.h"
#include "renderer/backlog_relay.h"

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

// Old tickets held for a decision and the printers tickets may be moved to
// are told too; this delivery holds none and moves none.
GVariant* toVariant(const std::vector<PrinterBacklog>& backlogs) {
  GVariantBuilder printers;
  g_variant_builder_init(&printers, G_VARIANT_TYPE("a(ysttxs)"));
  for (const PrinterBacklog& backlog : backlogs) {
    g_variant_builder_add(&printers, "(y@sttx@s)", static_cast<guint8>(backlog.kind), utf8Variant(backlog.printer),
                          static_cast<guint64>(backlog.waiting), guint64{0},
                          static_cast<gint64>(backlog.sinceUnixSeconds),
                          g_variant_new_string(std::string(troubleCode(backlog.trouble)).c_str()));
  }
  return g_variant_new("(@a(ysttxs)@a(ys))", g_variant_builder_end(&printers),
                       g_variant_new_array(G_VARIANT_TYPE("(ys)"), nullptr, 0));
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

gboolean onWokenForBacklog(gpointer) {
  sendNewestBacklog();
  return G_SOURCE_REMOVE;
}

// On the delivery thread. An idle source rather than g_main_context_invoke:
// that would run the send right here whenever the main thread happens not
// to own its context.
void onBacklogChanged(std::vector<PrinterBacklog> backlogs) {
  if (messages.relay.post(std::move(backlogs))) g_idle_add(onWokenForBacklog, nullptr);
}

}  // namespace

void startBacklogMessages(WebKitWebExtension* extension, Context& context) {
  messages.extension = extension;
  context.jobs.onBacklogChanged = onBacklogChanged;
}

void addBacklogMessagePage(WebKitWebPage* page) {
  messages.pageIds.push_back(webkit_web_page_get_id(page));
  sendNewestBacklog();
}

}  // namespace lumetra
