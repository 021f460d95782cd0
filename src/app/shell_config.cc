#include "app/shell_config.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

#include "app/shell_settings.h"
#include "base/log.h"
#include "base/profile.h"
#include "base/utf.h"

namespace lumetra::shell {
namespace {

constexpr std::uint64_t kDefaultConsoleLogKilobytes = 10 * 1024;
constexpr unsigned kDefaultConsoleLogKeptFiles = 5;
constexpr std::uint64_t kMostConsoleLogKeptFiles = 100;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// The value of the last file that has the key.
std::optional<std::string> lastValue(const std::vector<std::filesystem::path>& files, std::u16string_view section,
                                     std::u16string_view key, std::filesystem::path* from = nullptr) {
  std::optional<std::string> value;
  for (const std::filesystem::path& file : files) {
    if (auto found = findProfileValue(file, section, key)) {
      value = utf16ToUtf8(*found);
      if (from) *from = file;
    }
  }
  return value;
}

std::string textSetting(const std::vector<std::filesystem::path>& files, std::u16string_view section,
                        std::u16string_view key, std::string_view fallback) {
  const std::optional<std::string> value = lastValue(files, section, key);
  return value && !value->empty() ? *value : std::string(fallback);
}

// A vendor's typing error must not pass unnoticed, nor stop the till.
std::uint64_t numberSetting(const std::vector<std::filesystem::path>& files, std::u16string_view section,
                            std::u16string_view key, std::uint64_t fallback) {
  std::filesystem::path file;
  const std::optional<std::string> value = lastValue(files, section, key, &file);
  if (!value || value->empty()) return fallback;
  std::uint64_t number = 0;
  const char* end = value->data() + value->size();
  const auto [stop, error] = std::from_chars(value->data(), end, number);
  if (error == std::errc() && stop == end) return number;
  logf(LogLevel::warning, "%s: [%s] %s = \"%s\" is not a whole number; using %llu", file.c_str(),
       utf16ToUtf8(section).c_str(), utf16ToUtf8(key).c_str(), value->c_str(),
       static_cast<unsigned long long>(fallback));
  return fallback;
}

// The shop's list, else what the start page vouches for. A typing error
// is named but must not take the functions from the till's own page.
TrustedOrigins trustedOrigins(const std::vector<std::filesystem::path>& files, const std::string& startPage) {
  std::filesystem::path file;
  const std::optional<std::string> listed = lastValue(files, u"security", u"trusted_origins", &file);
  if (listed && !listed->empty()) {
    std::vector<std::string> unreadable;
    TrustedOrigins trusted = TrustedOrigins::fromList(*listed, &unreadable);
    for (const std::string& entry : unreadable) {
      logf(LogLevel::warning,
           "%s: [security] trusted_origins: \"%s\" is neither an origin (https://host[:port]) nor a folder (/path or "
           "file:///path/); left out",
           file.c_str(), entry.c_str());
    }
    if (!trusted.empty()) return trusted;
    logf(LogLevel::warning, "%s: [security] trusted_origins lists nothing usable; the start page's origin is trusted",
         file.c_str());
  }
  TrustedOrigins vouched = TrustedOrigins::ofStartPage(startPage);
  if (vouched.empty()) {
    logf(LogLevel::warning, "the start page %s has no origin to trust: no page gets window functions",
         startPage.c_str());
  }
  return vouched;
}

std::filesystem::path expandHome(const std::string& path) {
  if (path == "~" || path.starts_with("~/")) return environment("HOME") + path.substr(1);
  return path;
}

// A typing error in the mode falls back to the default, which still checks
// certificates; a malformed pin is skipped, and named.
CertificateSettings certificateSettings(const std::vector<std::filesystem::path>& files) {
  CertificateSettings settings;
  std::filesystem::path from;
  const std::optional<std::string> mode = lastValue(files, u"security", u"certificates", &from);
  if (mode && !mode->empty()) {
    if (const std::optional<CertificateMode> parsed = parseCertificateMode(*mode)) {
      settings.mode = *parsed;
    } else {
      logf(LogLevel::warning,
           "%s: [security] certificates = \"%s\" is none of pin-first-use, verify, accept-any; using pin-first-use",
           from.c_str(), mode->c_str());
    }
  }
  for (const std::filesystem::path& file : files) {
    std::vector<std::string> rejected;
    for (auto& [host, fingerprints] : readPinSection(file, rejected)) settings.listed[host] = std::move(fingerprints);
    for (const std::string& line : rejected) {
      logf(LogLevel::warning, "%s: [pinned_certificates] \"%s\" is not \"host = SHA-256 fingerprint\"; skipped",
           file.c_str(), line.c_str());
    }
  }
  return settings;
}

}  // namespace

std::vector<std::filesystem::path> configFiles() {
  std::filesystem::path system = environment(kSystemConfigVariable);
  if (system.empty()) system = std::filesystem::path(LUMETRA_SYSTEM_CONFIG_DIR) / "lumetra" / "lumetra.conf";
  std::string userConfig = environment("XDG_CONFIG_HOME");
  if (userConfig.empty()) userConfig = environment("HOME") + "/.config";
  return {system, std::filesystem::path(userConfig) / "lumetra" / "lumetra.conf"};
}

namespace {

// Far more than a shop has printers.
constexpr std::size_t kMostBackupLines = 64;
constexpr std::u16string_view kBackupWaitKey = u"backup_after_seconds";

// Key names are read in any letter case.
bool isBackupWaitKey(std::u16string_view key) {
  return std::ranges::equal(key, kBackupWaitKey, [](char16_t written, char16_t lower) {
    return (written >= u'A' && written <= u'Z' ? written - u'A' + u'a' : written) == lower;
  });
}

DeliverySettings deliverySettings(const std::vector<std::filesystem::path>& files) {
  DeliverySettings settings;
  settings.holdAfterMinutes = numberSetting(files, u"delivery", u"hold_after_minutes", settings.holdAfterMinutes);
  settings.backupAfterSeconds = numberSetting(files, u"backup", kBackupWaitKey, settings.backupAfterSeconds);
  // The user's file overrides a printer's line of the system's.
  std::map<std::string, std::string> backups;
  for (const std::filesystem::path& file : files) {
    for (const auto& [printer, backup] : readProfileSection(file, u"backup", kMostBackupLines + 1)) {
      if (isBackupWaitKey(printer)) continue;
      if (backups.size() < kMostBackupLines || backups.contains(utf16ToUtf8(printer)))
        backups[utf16ToUtf8(printer)] = utf16ToUtf8(backup);
    }
  }
  settings.backups.assign(backups.begin(), backups.end());
  return settings;
}

}  // namespace

ShellConfig readShellConfig(const std::vector<std::filesystem::path>& files) {
  ShellConfig config;
  const std::string startPageOverride = environment(kStartPageVariable);
  config.startPage =
      startPageOverride.empty() ? textSetting(files, u"shell", u"start_page", kStartPage) : startPageOverride;
  config.trustedOrigins = trustedOrigins(files, config.startPage);
  config.workingFolder = expandHome(textSetting(files, u"shell", u"working_folder", ""));
  config.windowTitle = textSetting(files, u"shell", u"window_title", kMaximiseAfterSplashTitle);
  config.consoleLogMaxBytes =
      numberSetting(files, u"console_log", u"max_kilobytes", kDefaultConsoleLogKilobytes) * 1024;
  config.consoleLogKeptFiles = static_cast<unsigned>(std::min(
      numberSetting(files, u"console_log", u"kept_files", kDefaultConsoleLogKeptFiles), kMostConsoleLogKeptFiles));
  config.certificates = certificateSettings(files);
  config.metricsTextfile = expandHome(textSetting(files, u"monitoring", u"textfile", ""));
  config.delivery = deliverySettings(files);
  return config;
}

}  // namespace lumetra::shell
