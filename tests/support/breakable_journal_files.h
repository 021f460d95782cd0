#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files/journal_file.h"

namespace lumetra::test {

// The system's journal files, with the calls a test chooses failing as a
// full or failing disk fails them (errno EIO), and actions run just before
// a chosen call, to act while the outbox is half way through something.
class BreakableJournalFiles final : public platform::JournalFiles {
 public:
  enum class Call { open, create, rename, syncFolder, makeRoom, append, sync, read };

  // The next `times` calls of that kind fail, on a file of that name only
  // when `fileName` is given.
  void fail(Call call, int times = 1, std::string fileName = {});
  // `action` runs once, just before the next call of that kind.
  void before(Call call, std::function<void()> action);
  // How many calls of that kind were made, failed ones included.
  int calls(Call call);

  std::unique_ptr<platform::JournalFile> open(const std::filesystem::path& path, std::string& error) override;
  std::unique_ptr<platform::JournalFile> create(const std::filesystem::path& path, std::string& error) override;
  bool rename(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) override;
  bool syncFolder(const std::filesystem::path& folder, std::string& error) override;
  void remove(const std::filesystem::path& path) override;

  // Runs what is to run before the call, and tells whether it is to fail.
  bool breaks(Call call, const std::filesystem::path& path);
  bool breaks(Call call, const std::shared_ptr<std::filesystem::path>& name);

 private:
  struct Failure {
    Call call;
    int times;
    std::string fileName;
  };

  std::unique_ptr<platform::JournalFile> wrapped(std::unique_ptr<platform::JournalFile> file,
                                                 const std::filesystem::path& path);

  std::mutex mutex_;
  std::vector<Failure> failures_;
  std::multimap<Call, std::function<void()>> actions_;
  std::map<Call, int> calls_;
  // Each open file's name, which a rename changes.
  std::vector<std::weak_ptr<std::filesystem::path>> names_;
};

}  // namespace lumetra::test
