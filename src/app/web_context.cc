#include "app/web_context.h"

#include <string>

#include "base/process_messages.h"

namespace lumetra::shell {
namespace {

// The pointer arrow everywhere: pages cannot change the cursor.
constexpr const char* kFixedCursorStyle = "* { cursor: default !important; }";

void onInitializeWebExtensions(WebKitWebContext* context, gpointer directory) {
  webkit_web_context_set_web_extensions_directory(context, static_cast<const char*>(directory));
}

WebKitWebsiteDataManager* createDataManager(const std::filesystem::path& cacheDirectory, CertificateMode certificates) {
  const std::string cache = cacheDirectory.string();
  auto* manager = WEBKIT_WEBSITE_DATA_MANAGER(webkit_website_data_manager_new(
      "base-cache-directory", cache.c_str(), "base-data-directory", cache.c_str(), nullptr));
  webkit_website_data_manager_set_tls_errors_policy(manager, certificates == CertificateMode::acceptAny
                                                                 ? WEBKIT_TLS_ERRORS_POLICY_IGNORE
                                                                 : WEBKIT_TLS_ERRORS_POLICY_FAIL);
  WebKitCookieManager* cookies = webkit_website_data_manager_get_cookie_manager(manager);
  webkit_cookie_manager_set_accept_policy(cookies, WEBKIT_COOKIE_POLICY_ACCEPT_ALWAYS);
  webkit_cookie_manager_set_persistent_storage(cookies, (cacheDirectory / "cookies.sqlite").c_str(),
                                               WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  return manager;
}

// What the web extension is given at its start, in the type
// kDeliverySettingsType names.
GVariant* deliveryVariant(const DeliverySettings& delivery) {
  GVariantBuilder backups;
  g_variant_builder_init(&backups, G_VARIANT_TYPE("a(ss)"));
  for (const auto& [printer, backup] : delivery.backups) {
    g_variant_builder_add(&backups, "(ss)", printer.c_str(), backup.c_str());
  }
  return g_variant_new(kDeliverySettingsType, static_cast<guint64>(delivery.holdAfterMinutes),
                       static_cast<guint64>(delivery.backupAfterSeconds), &backups);
}

}  // namespace

WebSetup createWebSetup(const std::filesystem::path& startupDirectory, const std::filesystem::path& extensionDirectory,
                        const ShellSwitches& switches, CertificateMode certificates, const DeliverySettings& delivery) {
  WebSetup setup;
  WebKitWebsiteDataManager* manager = createDataManager(startupDirectory / "cache", certificates);
  setup.context = webkit_web_context_new_with_website_data_manager(manager);
  g_object_unref(manager);
  const char* const languages[] = {"zh-CN", nullptr};
  webkit_web_context_set_preferred_languages(setup.context, languages);
  g_signal_connect_data(
      setup.context, "initialize-web-extensions", G_CALLBACK(onInitializeWebExtensions),
      g_strdup(extensionDirectory.c_str()), [](gpointer text, GClosure*) { g_free(text); }, GConnectFlags{});

  webkit_web_context_set_web_extensions_initialization_user_data(setup.context, deliveryVariant(delivery));

  setup.settings = webkit_settings_new();
  webkit_settings_set_hardware_acceleration_policy(setup.settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  webkit_settings_set_javascript_can_open_windows_automatically(setup.settings, TRUE);

  setup.content = webkit_user_content_manager_new();
  if (switches.mouseCursorChangeDisabled) {
    WebKitUserStyleSheet* style = webkit_user_style_sheet_new(kFixedCursorStyle, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                              WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
    webkit_user_content_manager_add_style_sheet(setup.content, style);
    webkit_user_style_sheet_unref(style);
  }
  return setup;
}

}  // namespace lumetra::shell
