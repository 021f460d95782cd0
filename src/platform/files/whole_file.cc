#include "platform/files/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files/journal_file.h"

namespace lumetra::platform {
namespace {

std::string describe(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

bool writeAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(descriptor, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

}  // namespace

bool writeWholeFile(const std::filesystem::path& path, std::string_view bytes, std::string& error) {
  std::filesystem::path fresh = path;
  fresh += ".new";
  // O_NOFOLLOW: a link planted under the fresh file's name must not send
  // the contents elsewhere.
  const int descriptor = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (descriptor < 0) {
    error = describe("cannot create", fresh);
    return false;
  }
  std::string failure;
  if (::fchmod(descriptor, 0600) != 0) {
    failure = describe("cannot make private", fresh);
  } else if (!writeAll(descriptor, bytes) || ::fsync(descriptor) != 0) {
    failure = describe("cannot write", fresh);
  }
  ::close(descriptor);
  JournalFiles& files = systemJournalFiles();
  if (failure.empty() && files.rename(fresh, path, error)) {
    // The file is whole from here on; a folder sync that fails only risks
    // the old contents coming back after a crash of the machine.
    std::string ignored;
    files.syncFolder(path.parent_path().empty() ? "." : path.parent_path(), ignored);
    return true;
  }
  if (!failure.empty()) error = failure;
  ::unlink(fresh.c_str());
  return false;
}

}  // namespace lumetra::platform
