#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lumetra::platform {

// Makes `bytes` the contents of `path`, readable and writable by its owner
// only (0600), whatever its mode was. A crash or a full disk leaves the old
// contents or the new ones, never a mix: they go to a file beside it, which
// is synced and renamed over it.
bool writeWholeFile(const std::filesystem::path& path, std::string_view bytes, std::string& error);

}  // namespace lumetra::platform
