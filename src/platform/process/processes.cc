#include "platform/process/processes.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <thread>

#include "base/mutex.h"

extern char** environ;

namespace lumetra::platform {
namespace {

// Children that have not been reaped yet. A process id in here cannot have
// been reused, so it is safe to signal.
struct LiveChildren {
  Mutex mutex;
  std::set<ProcessId> ids GUARDED_BY(mutex);
};

LiveChildren& liveChildren() {
  static LiveChildren children;
  return children;
}

// Waits for the exit without reaping first, so the id stays reserved until
// it has left the live set under the lock; only then is the zombie released.
// Waits for this pid only: GLib watches its own children in this process.
void reapWhenExited(ProcessId process) {
  siginfo_t info{};
  while (::waitid(P_PID, static_cast<id_t>(process), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  LiveChildren& children = liveChildren();
  MutexLock lock(children.mutex);
  children.ids.erase(process);
  while (::waitpid(process, nullptr, 0) < 0 && errno == EINTR) {
  }
}

class SpawnSettings {
 public:
  SpawnSettings() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions_, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);

    posix_spawnattr_init(&attributes_);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes_, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes_, &signals);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnSettings() {
    posix_spawnattr_destroy(&attributes_);
    posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;

  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

}  // namespace

std::optional<ProcessId> startDetachedProcess(const std::string& program, const std::vector<std::string>& arguments,
                                              ProgramLookup lookup) {
  std::vector<std::string> argv = arguments;
  std::vector<char*> argvPointers;
  for (std::string& argument : argv) argvPointers.push_back(argument.data());
  argvPointers.push_back(nullptr);

  const SpawnSettings settings;
  auto spawn = lookup == ProgramLookup::searchPath ? ::posix_spawnp : ::posix_spawn;
  pid_t process = 0;
  if (spawn(&process, program.c_str(), settings.actions(), settings.attributes(), argvPointers.data(), environ) != 0) {
    return std::nullopt;
  }
  {
    LiveChildren& children = liveChildren();
    MutexLock lock(children.mutex);
    children.ids.insert(process);
  }
  std::thread(reapWhenExited, process).detach();
  return process;
}

bool detachedProcessRuns(ProcessId process) {
  LiveChildren& children = liveChildren();
  MutexLock lock(children.mutex);
  return children.ids.contains(process);
}

void killDetachedProcess(ProcessId process) {
  LiveChildren& children = liveChildren();
  MutexLock lock(children.mutex);
  if (children.ids.contains(process)) ::kill(-process, SIGKILL);
}

}  // namespace lumetra::platform
