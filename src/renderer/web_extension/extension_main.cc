// Entry of the library WebKit loads into every web process of the shell.
#include <webkit2/webkit-web-extension.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "base/log.h"
#include "base/process_messages.h"
#include "base/trusted_origins.h"
#include "functions/context.h"
#include "handover/backup_plan.h"
#include "platform/desktop/dialogs.h"
#include "platform/desktop/helper_dialogs.h"
#include "platform/print/cups_spooler.h"
#include "renderer/web_extension/backlog_messages.h"
#include "renderer/web_extension/printer_metrics_file.h"
#include "renderer/web_extension/render_delegate.h"

namespace {

// The web process's one set of window function state. Members go in
// reverse order at exit: the context (and its retry thread) first, then
// the spooler and dialogs it uses.
struct WebProcess {
  lumetra::platform::CupsSpooler spooler;
  // The web process has no display of its own to show message boxes on:
  // they are shown by a helper, or logged in headless runs.
  lumetra::platform::HelperDialogs onScreenDialogs;
  std::unique_ptr<lumetra::platform::LoggedDialogs> loggedDialogs = lumetra::platform::loggedDialogsFromEnvironment();
  lumetra::Context context{spooler,
                           loggedDialogs ? static_cast<lumetra::platform::Dialogs&>(*loggedDialogs) : onScreenDialogs};
};

// Without the UI process's list nothing is trusted: a page must never get
// the functions by default.
lumetra::TrustedOrigins trustedOrigins(const GVariant* startData) {
  auto* data = const_cast<GVariant*>(startData);
  const char* list = nullptr;
  if (data && g_variant_is_of_type(data, G_VARIANT_TYPE_VARDICT) &&
      g_variant_lookup(data, lumetra::kTrustedOriginsKey, "&s", &list)) {
    return lumetra::TrustedOrigins::fromList(list);
  }
  lumetra::logLine(lumetra::LogLevel::warning, "no trusted origins came from the shell: no page gets window functions");
  return {};
}

// The path of the metrics textfile the UI process passed; empty for none.
std::filesystem::path metricsTextfile(const GVariant* startData) {
  auto* data = const_cast<GVariant*>(startData);
  const char* path = nullptr;
  if (data && g_variant_is_of_type(data, G_VARIANT_TYPE_VARDICT) &&
      g_variant_lookup(data, lumetra::kMetricsTextfileKey, "^&ay", &path) && path) {
    return path;
  }
  return {};
}

// The delivery's settings the UI process read from lumetra.conf; the
// defaults when it passed none.
void takeDeliverySettings(const GVariant* startData, lumetra::DeliveryTimings& timings) {
  auto* data = const_cast<GVariant*>(startData);
  if (!data || !g_variant_is_of_type(data, G_VARIANT_TYPE_VARDICT)) return;
  GVariant* variant =
      g_variant_lookup_value(data, lumetra::kDeliverySettingsKey, G_VARIANT_TYPE(lumetra::kDeliverySettingsType));
  if (!variant) return;
  guint64 holdAfterMinutes = 0;
  guint64 backupAfterSeconds = 0;
  GVariantIter* lines = nullptr;
  g_variant_get(variant, "(tta(ss))", &holdAfterMinutes, &backupAfterSeconds, &lines);
  // A week at most: a number past it is a typing error, not a shop's wish.
  constexpr guint64 kLongestWaitSeconds = 7 * 24 * 3600;
  timings.holdAfter = std::chrono::seconds(std::min(holdAfterMinutes * 60, kLongestWaitSeconds));
  timings.backupAfter = std::chrono::seconds(std::min(backupAfterSeconds, kLongestWaitSeconds));
  std::vector<std::pair<std::string, std::string>> backups;
  const char* printer = nullptr;
  const char* backup = nullptr;
  while (g_variant_iter_next(lines, "(&s&s)", &printer, &backup)) backups.emplace_back(printer, backup);
  g_variant_iter_free(lines);
  g_variant_unref(variant);
  timings.backups = lumetra::backupPlan(backups);
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                               const GVariant* startData) {
  static WebProcess process;
  takeDeliverySettings(startData, process.context.jobs.timings);
  lumetra::startBacklogMessages(extension, process.context);
  // The tickets left in the working folder's journal go out from now on,
  // as do the page's; the backlog listener must be set before this.
  lumetra::startDelivery(process.context.jobs, std::filesystem::current_path());
  lumetra::startRenderDelegate(extension, process.context, trustedOrigins(startData));
  lumetra::startPrinterMetricsFile(metricsTextfile(startData), process.context.jobs);
}
