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

// The value the UI process passed under `key` in the start-up dictionary,
// if it has that type; unref it after use.
GVariant* startValue(const GVariant* startData, const char* key, const char* type) {
  auto* data = const_cast<GVariant*>(startData);
  if (!data || !g_variant_is_of_type(data, G_VARIANT_TYPE_VARDICT)) return nullptr;
  return g_variant_lookup_value(data, key, G_VARIANT_TYPE(type));
}

// Without the UI process's list nothing is trusted: a page must never get
// the functions by default.
lumetra::TrustedOrigins trustedOrigins(const GVariant* startData) {
  if (GVariant* list = startValue(startData, lumetra::kTrustedOriginsKey, "s")) {
    lumetra::TrustedOrigins trusted = lumetra::TrustedOrigins::fromList(g_variant_get_string(list, nullptr));
    g_variant_unref(list);
    return trusted;
  }
  lumetra::logLine(lumetra::LogLevel::warning, "no trusted origins came from the shell: no page gets window functions");
  return {};
}

// The path of the metrics textfile the UI process passed; empty for none.
std::filesystem::path metricsTextfile(const GVariant* startData) {
  GVariant* path = startValue(startData, lumetra::kMetricsTextfileKey, "ay");
  if (!path) return {};
  std::filesystem::path textfile = g_variant_get_bytestring(path);
  g_variant_unref(path);
  return textfile;
}

// The delivery's settings the UI process read from lumetra.conf; the
// defaults when it passed none.
void takeDeliverySettings(const GVariant* startData, lumetra::DeliveryTimings& timings) {
  GVariant* settings = startValue(startData, lumetra::kDeliverySettingsKey, lumetra::kDeliverySettingsType);
  if (!settings) return;
  guint64 holdAfterMinutes = 0;
  guint64 backupAfterSeconds = 0;
  GVariantIter* lines = nullptr;
  g_variant_get(settings, "(tta(ss))", &holdAfterMinutes, &backupAfterSeconds, &lines);
  // A week at most: a number past it is a typing error, not a shop's wish.
  constexpr guint64 kLongestWaitSeconds = 7 * 24 * 3600;
  timings.holdAfter = std::chrono::seconds(std::min(holdAfterMinutes, kLongestWaitSeconds / 60) * 60);
  timings.backupAfter = std::chrono::seconds(std::min(backupAfterSeconds, kLongestWaitSeconds));
  std::vector<std::pair<std::string, std::string>> backups;
  const char* printer = nullptr;
  const char* backup = nullptr;
  while (g_variant_iter_next(lines, "(&s&s)", &printer, &backup)) backups.emplace_back(printer, backup);
  g_variant_iter_free(lines);
  g_variant_unref(settings);
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
