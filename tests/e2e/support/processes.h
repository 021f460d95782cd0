#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumetra::e2e {

// Polls `condition` until it holds; false when it still does not after
// `limit`, which only guards against a hang and is not what is tested.
bool eventually(const std::function<bool()>& condition, std::chrono::seconds limit = std::chrono::seconds(90));

struct SpawnOptions {
  std::vector<std::string> arguments;              // argv[0] first
  std::map<std::string, std::string> environment;  // added to this process's
  std::filesystem::path workingDirectory;
  std::filesystem::path outputFile;  // stdout; /dev/null when not given
  std::filesystem::path errorFile;   // stderr; /dev/null when not given
  int extraFd = -1;                  // kept open in the child under the same number
};

pid_t spawn(const SpawnOptions& options);

// Exit code, or -1 for a signal; nullopt when it has not ended within limit.
std::optional<int> waitForExit(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(90));

// SIGTERM, then SIGKILL if it is still there, and reaped.
void stopProcess(pid_t pid);

// Children of `parent` whose command name is `name`.
std::vector<pid_t> childProcesses(pid_t parent, const std::string& name);

std::string readText(const std::filesystem::path& file);

// How often `part` occurs in `text`, overlaps included.
std::size_t occurrences(const std::string& text, const std::string& part);

}  // namespace lumetra::e2e
