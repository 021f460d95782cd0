#pragma once

#include <filesystem>
#include <string_view>

namespace lumetra::platform {

// A lock shared by every process of the user, named like a mutex. The system
// releases it when the holding process ends, however it ends.
class InstanceLock {
 public:
  enum class State { acquired, heldElsewhere, unavailable };

  // Takes the lock held in the file `path` (see instanceLockPath).
  explicit InstanceLock(const std::filesystem::path& path);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // unavailable: no lock file could be made, or what is there by its name is
  // not a file of this user (stderr says which), so nobody can be told apart.
  State state() const { return state_; }

 private:
  int fd_ = -1;
  State state_ = State::unavailable;
};

// Where the lock named `name` lives: the user's runtime folder
// ($XDG_RUNTIME_DIR), else the temp folder with the user id added to the name.
std::filesystem::path instanceLockPath(std::string_view name);

}  // namespace lumetra::platform
