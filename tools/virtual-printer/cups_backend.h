#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lumetra::virtual_printer {

// The name CUPS knows the backend by: the scheme of its device URIs
// ("lumetra-virtual:/var/spool/receipts") and the backend file's name.
inline constexpr const char* kBackendScheme = "lumetra-virtual";

// CUPS starts a backend with its device URI as argv[0] (and, when it asks
// for the devices a backend serves, with the backend's name).
bool isBackendInvocation(const std::string& argv0);

// Runs as a CUPS backend: with no arguments lists the device; with the job
// arguments (job-id user title copies options [file]) prints the job from
// the file or standard input into the folder named by DEVICE_URI. Returns
// the backend exit status.
int runCupsBackend(const std::vector<std::string>& arguments, const std::filesystem::path& font);

}  // namespace lumetra::virtual_printer
