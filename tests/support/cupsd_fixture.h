#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace lumetra::test {

// A private CUPS scheduler for one test: its own configuration and spool in a
// temporary folder, listening only on a Unix socket there (never port 631),
// started by this object and stopped by its pid. While it lives, libcups in
// this process talks to it (CUPS_SERVER, and HOME in a folder of its own).
// Never the machine's own print service.
class PrivateCupsd {
 public:
  // Starts the scheduler and waits until it answers; throws
  // std::runtime_error with its log when it does not.
  PrivateCupsd();
  // Stops the scheduler, waits for it to exit and removes its folder.
  ~PrivateCupsd();
  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

  const std::filesystem::path& socketPath() const { return socket_; }

  // Queues are raw (no driver): the bytes of a job reach the device URI
  // unchanged. Use "socket://127.0.3.N:9100" with a FakeNetworkPrinter.
  void addRawQueue(const std::string& name, const std::string& deviceUri);
  // A queue an administrator disabled: stopped, reason "paused".
  void addStoppedQueue(const std::string& name, const std::string& deviceUri);
  // A queue whose printer reports `reason`, such as "media-empty-error".
  void addQueueWithReason(const std::string& name, const std::string& deviceUri, const std::string& reason);

  // What an administrator or a printer's backend does to a queue: stopping
  // it (reason "paused"), starting it again, its printer's reasons in place
  // of the ones it had ("none" clears them), refusing and taking jobs,
  // deleting it with the jobs it holds.
  void stopQueue(const std::string& name);
  void startQueue(const std::string& name);
  void setReason(const std::string& name, const std::string& reason);
  void rejectJobs(const std::string& name);
  void acceptJobs(const std::string& name);
  void deleteQueue(const std::string& name);

  // The scheduler's error log, for failure messages.
  std::string errorLog() const;
  // Stops the scheduler now, as a till sees CUPS go away (the destructor
  // still removes the folder).
  void stop();

 private:
  void writeConfiguration() const;
  void start();
  void waitUntilAnswering();

  TempDir dir_;
  std::filesystem::path socket_;
  ScopedEnv server_;
  ScopedEnv home_;
  pid_t pid_ = -1;
};

}  // namespace lumetra::test
