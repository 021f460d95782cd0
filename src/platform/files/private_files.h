#pragma once

#include <filesystem>
#include <string_view>

namespace lumetra::platform {

// The shell's own files and folders (journal, console log, browser storage)
// hold what the shop's pages and printers saw: the till's user alone may
// read them, whatever the umask, and files an earlier version left readable
// by others are closed to them when opened.

// Opens `path` with `flags`, creating it with mode 0600 when absent; group
// and other permissions of a file of ours are removed. A descriptor (close
// on exec), or -1 with errno set.
int openPrivateFile(const std::filesystem::path& path, int flags);

// Appends `bytes` to `path` (made as above) in one write, so records of
// several processes never mix. False when it cannot.
bool appendToPrivateFile(const std::filesystem::path& path, std::string_view bytes);

// Makes `path` a file of ours only (as above), leaving what it holds.
bool makePrivateFile(const std::filesystem::path& path);

// Makes `folder` with mode 0700 when absent (its parent must exist); a
// folder of ours loses its group and other permissions. False, with errno
// set, when there is no such folder afterwards.
bool makePrivateFolder(const std::filesystem::path& folder);

}  // namespace lumetra::platform
