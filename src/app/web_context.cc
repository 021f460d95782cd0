#include "app/web_context.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "base/log.h"
#include "base/process_messages.h"
#include "platform/files/private_files.h"

namespace lumetra::shell {
namespace {

// The pointer arrow everywhere: pages cannot change the cursor.
constexpr const char* kFixedCursorStyle = "* { cursor: default !important; }";

// Where the web extension is and what it starts with; lives as long as the
// context.
struct ExtensionStart {
  std::string directory;
  GVariant* data;  // floating reference sunk at creation
};

void onInitializeWebExtensions(WebKitWebContext* context, gpointer start) {
  const auto* extension = static_cast<const ExtensionStart*>(start);
  webkit_web_context_set_web_extensions_directory(context, extension->directory.c_str());
  webkit_web_context_set_web_extensions_initialization_user_data(context, extension->data);
}

// In the type kDeliverySettingsType names.
GVariant* deliveryVariant(const DeliverySettings& delivery) {
  GVariantBuilder backups;
  g_variant_builder_init(&backups, G_VARIANT_TYPE("a(ss)"));
  for (const auto& [printer, backup] : delivery.backups) {
    g_variant_builder_add(&backups, "(ss)", printer.c_str(), backup.c_str());
  }
  return g_variant_new(kDeliverySettingsType, static_cast<guint64>(delivery.holdAfterMinutes),
                       static_cast<guint64>(delivery.backupAfterSeconds), &backups);
}

ExtensionStart* newExtensionStart(const std::filesystem::path& directory, const ShellConfig& config) {
  GVariantBuilder data;
  g_variant_builder_init(&data, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&data, "{sv}", kTrustedOriginsKey,
                        g_variant_new_string(config.trustedOrigins.toList().c_str()));
  // A path need not be UTF-8: bytes.
  g_variant_builder_add(&data, "{sv}", kMetricsTextfileKey, g_variant_new_bytestring(config.metricsTextfile.c_str()));
  g_variant_builder_add(&data, "{sv}", kDeliverySettingsKey, deliveryVariant(config.delivery));
  return new ExtensionStart{directory.string(), g_variant_ref_sink(g_variant_builder_end(&data))};
}

WebKitWebsiteDataManager* createDataManager(const std::filesystem::path& cacheDirectory, CertificateMode certificates) {
  const std::string cache = cacheDirectory.string();
  auto* manager = WEBKIT_WEBSITE_DATA_MANAGER(webkit_website_data_manager_new(
      "base-cache-directory", cache.c_str(), "base-data-directory", cache.c_str(), nullptr));
  webkit_website_data_manager_set_tls_errors_policy(manager, certificates == CertificateMode::acceptAny
                                                                 ? WEBKIT_TLS_ERRORS_POLICY_IGNORE
                                                                 : WEBKIT_TLS_ERRORS_POLICY_FAIL);
  WebKitCookieManager* cookies = webkit_website_data_manager_get_cookie_manager(manager);
  // Cookies of frames from other sites (adverts, trackers) are no business
  // of a till's.
  webkit_cookie_manager_set_accept_policy(cookies, WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY);
  webkit_cookie_manager_set_persistent_storage(cookies, (cacheDirectory / "cookies.sqlite").c_str(),
                                               WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  return manager;
}

// The browser's storage (cookies, local storage, cache) for the till's user
// alone: the folder 0700, and the cookie store made 0600 before WebKit's
// SQLite opens it (its journals take the store's mode).
void makeStoragePrivate(const std::filesystem::path& cacheDirectory) {
  const std::filesystem::path cookies = cacheDirectory / "cookies.sqlite";
  if (!platform::makePrivateFolder(cacheDirectory) || !platform::makePrivateFile(cookies)) {
    logf(LogLevel::warning, "cannot make %s private: %s", cookies.c_str(), std::strerror(errno));
  }
}

}  // namespace

WebSetup createWebSetup(const std::filesystem::path& startupDirectory, const std::filesystem::path& extensionDirectory,
                        const ShellSwitches& switches, const ShellConfig& config) {
  WebSetup setup;
  makeStoragePrivate(startupDirectory / "cache");
  WebKitWebsiteDataManager* manager = createDataManager(startupDirectory / "cache", config.certificates.mode);
  setup.context = webkit_web_context_new_with_website_data_manager(manager);
  g_object_unref(manager);
  const char* const languages[] = {"zh-CN", nullptr};
  webkit_web_context_set_preferred_languages(setup.context, languages);
  g_signal_connect_data(
      setup.context, "initialize-web-extensions", G_CALLBACK(onInitializeWebExtensions),
      newExtensionStart(extensionDirectory, config),
      [](gpointer start, GClosure*) {
        auto* extension = static_cast<ExtensionStart*>(start);
        g_variant_unref(extension->data);
        delete extension;
      },
      GConnectFlags{});

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
