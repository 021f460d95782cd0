#pragma once

#include <webkit2/webkit2.h>

#include <filesystem>

#include "app/shell_config.h"
#include "app/shell_settings.h"

namespace lumetra::shell {

// What every view of the shell is made with.
struct WebSetup {
  WebKitWebContext* context = nullptr;
  WebKitSettings* settings = nullptr;
  WebKitUserContentManager* content = nullptr;
};

// The browser engine as the shell runs it: cache, cookies and storage in
// "cache" under the start-up directory, third-party cookies refused,
// Chinese as the preferred language, loads failing on certificate errors
// (which certificate_guard.h then judges) unless the configured mode
// accepts any, no hardware acceleration, the web extension loaded from
// `extensionDirectory` and given the trusted origins, the metrics textfile
// and the delivery's settings, script-opened windows always allowed.
WebSetup createWebSetup(const std::filesystem::path& startupDirectory, const std::filesystem::path& extensionDirectory,
                        const ShellSwitches& switches, const ShellConfig& config);

}  // namespace lumetra::shell
