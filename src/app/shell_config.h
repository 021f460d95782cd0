#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/security/certificate_judge.h"
#include "base/trusted_origins.h"

namespace lumetra::shell {

// How the web process's delivery treats waiting tickets.
struct DeliverySettings {
  std::uint64_t holdAfterMinutes = 60;    // [delivery] hold_after_minutes; 0: never held
  std::uint64_t backupAfterSeconds = 30;  // [backup] backup_after_seconds
  // [backup] PRINTER = OTHER, as written (the web process reads the names).
  std::vector<std::pair<std::string, std::string>> backups;
};

// What a vendor sets for a till, from the system-wide file and the user's
// own file (see configFiles). Every value has a default that keeps the
// shell as it behaves with no file at all.
struct ShellConfig {
  std::string startPage;                 // [shell] start_page
  TrustedOrigins trustedOrigins;         // [security] trusted_origins; default: the start page's origin or folder
  std::filesystem::path workingFolder;   // [shell] working_folder; empty: the current folder
  std::string windowTitle;               // [shell] window_title: maximised after the splash
  std::uint64_t consoleLogMaxBytes = 0;  // [console_log] max_kilobytes; 0: never rotated
  unsigned consoleLogKeptFiles = 0;      // [console_log] kept_files: console.log.1 .. .N
  CertificateSettings certificates;      // [security] certificates, [pinned_certificates]
  DeliverySettings delivery;             // [delivery], [backup]
  // [monitoring] textfile: where the web process keeps the printers' state
  // for a node exporter's textfile collector; empty: nowhere.
  std::filesystem::path metricsTextfile;
};

// Tests and development name another system-wide file here, so a till's
// own settings on the machine do not reach them.
inline constexpr const char* kSystemConfigVariable = "LUMETRA_SYSTEM_CONFIG";

// The files read, lowest priority first: lumetra.conf in the system
// configuration folder (or the file LUMETRA_SYSTEM_CONFIG names), then in
// the user's ($XDG_CONFIG_HOME, else ~/.config), under "lumetra".
std::vector<std::filesystem::path> configFiles();

// Each key is taken from the last file that has it (missing files are
// skipped), else its default. "~/" at the start of the working folder is
// the user's home. LUMETRA_START_PAGE, when set, wins over every file, and
// the default trusted origin follows the start page however it was set.
ShellConfig readShellConfig(const std::vector<std::filesystem::path>& files);

}  // namespace lumetra::shell
