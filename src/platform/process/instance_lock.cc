#include "platform/process/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace lumetra::platform {
std::filesystem::path instanceLockPath(std::string_view name) {
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (runtimeDir && *runtimeDir) return std::filesystem::path(runtimeDir) / name;
  return std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(::getuid()));
}

InstanceLock::InstanceLock(const std::filesystem::path& path) {
  // Close-on-exec: a child that inherited the descriptor would keep the lock
  // after this process has gone.
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return;
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
