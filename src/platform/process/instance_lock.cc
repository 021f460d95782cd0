#include "platform/process/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "base/log.h"
#include "platform/files/private_files.h"

namespace lumetra::platform {
std::filesystem::path instanceLockPath(std::string_view name) {
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (runtimeDir && *runtimeDir) return std::filesystem::path(runtimeDir) / name;
  return std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getuid()));
}

InstanceLock::InstanceLock(const std::filesystem::path& path) {
  // Without a runtime folder the lock is in the shared temp folder, where
  // another user may have put something by its name first: a link to one of
  // our files, a FIFO that would block the open, or a file of theirs that
  // they could hold locked to keep the till from starting. None is taken.
  // (Close-on-exec: a child that inherited the descriptor would keep the
  // lock after this process has gone.)
  fd_ = openPrivateFile(path, O_RDWR | O_NOFOLLOW | O_NONBLOCK);
  if (fd_ < 0) {
    logf(LogLevel::warning, "the instance lock %s cannot be opened (%s): it is not taken", path.c_str(),
         errno == ELOOP ? "a symbolic link is never followed" : std::strerror(errno));
    return;
  }
  struct stat status {};
  if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
    logf(LogLevel::warning, "%s is not a regular file of this user (its owner: %u): the instance lock is not taken",
         path.c_str(), static_cast<unsigned>(status.st_uid));
    ::close(std::exchange(fd_, -1));
    return;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    state_ = State::acquired;
  } else if (errno == EWOULDBLOCK) {
    state_ = State::heldElsewhere;
  }
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace lumetra::platform
