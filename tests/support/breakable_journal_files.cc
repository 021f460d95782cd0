#include "support/breakable_journal_files.h"

#include <cerrno>
#include <utility>

namespace lumetra::test {
namespace {

using Call = BreakableJournalFiles::Call;

class BreakableJournalFile final : public platform::JournalFile {
 public:
  BreakableJournalFile(std::unique_ptr<platform::JournalFile> file, std::shared_ptr<std::filesystem::path> path,
                       BreakableJournalFiles& files)
      : file_(std::move(file)), path_(std::move(path)), files_(files) {}

  std::uint64_t size() const override { return file_->size(); }
  std::uint64_t end() const override { return file_->end(); }
  void setEnd(std::uint64_t end) override { file_->setEnd(end); }
  bool makeRoom() override { return !files_.breaks(Call::makeRoom, path_) && file_->makeRoom(); }
  bool append(std::string_view bytes) override { return !files_.breaks(Call::append, path_) && file_->append(bytes); }
  bool sync() override { return !files_.breaks(Call::sync, path_) && file_->sync(); }
  std::string read(std::uint64_t offset, std::size_t length) const override {
    return files_.breaks(Call::read, path_) ? std::string() : file_->read(offset, length);
  }

 private:
  std::unique_ptr<platform::JournalFile> file_;
  const std::shared_ptr<std::filesystem::path> path_;
  BreakableJournalFiles& files_;
};

}  // namespace

void BreakableJournalFiles::fail(Call call, int times, std::string fileName) {
  std::lock_guard lock(mutex_);
  failures_.push_back(Failure{call, times, std::move(fileName)});
}

void BreakableJournalFiles::before(Call call, std::function<void()> action) {
  std::lock_guard lock(mutex_);
  actions_.emplace(call, std::move(action));
}

bool BreakableJournalFiles::breaks(Call call, const std::shared_ptr<std::filesystem::path>& name) {
  std::filesystem::path path;
  {
    std::lock_guard lock(mutex_);
    path = *name;
  }
  return breaks(call, path);
}

int BreakableJournalFiles::calls(Call call) {
  std::lock_guard lock(mutex_);
  return calls_[call];
}

bool BreakableJournalFiles::breaks(Call call, const std::filesystem::path& path) {
  std::function<void()> action;
  {
    std::lock_guard lock(mutex_);
    if (const auto next = actions_.find(call); next != actions_.end()) {
      action = std::move(next->second);
      actions_.erase(next);
    }
  }
  if (action) action();
  std::lock_guard lock(mutex_);
  ++calls_[call];
  for (auto failure = failures_.begin(); failure != failures_.end(); ++failure) {
    if (failure->call != call || (!failure->fileName.empty() && failure->fileName != path.filename())) continue;
    if (--failure->times == 0) failures_.erase(failure);
    errno = EIO;
    return true;
  }
  return false;
}

std::unique_ptr<platform::JournalFile> BreakableJournalFiles::wrapped(std::unique_ptr<platform::JournalFile> file,
                                                                      const std::filesystem::path& path) {
  if (!file) return nullptr;
  auto name = std::make_shared<std::filesystem::path>(path);
  std::lock_guard lock(mutex_);
  names_.push_back(name);
  return std::make_unique<BreakableJournalFile>(std::move(file), std::move(name), *this);
}

std::unique_ptr<platform::JournalFile> BreakableJournalFiles::open(const std::filesystem::path& path,
                                                                   std::string& error) {
  if (breaks(Call::open, path)) {
    error = "cannot open " + path.string() + ": Input/output error";
    return nullptr;
  }
  return wrapped(platform::systemJournalFiles().open(path, error), path);
}

std::unique_ptr<platform::JournalFile> BreakableJournalFiles::create(const std::filesystem::path& path,
                                                                     std::string& error) {
  if (breaks(Call::create, path)) {
    error = "cannot open " + path.string() + ": Input/output error";
    return nullptr;
  }
  return wrapped(platform::systemJournalFiles().create(path, error), path);
}

bool BreakableJournalFiles::rename(const std::filesystem::path& from, const std::filesystem::path& to,
                                   std::string& error) {
  if (breaks(Call::rename, to)) {
    error = "cannot rename " + from.string() + " to " + to.string() + ": Input/output error";
    return false;
  }
  if (!platform::systemJournalFiles().rename(from, to, error)) return false;
  std::lock_guard lock(mutex_);
  std::erase_if(names_, [](const auto& name) { return name.expired(); });
  for (const auto& name : names_) {
    if (const auto open = name.lock(); open && *open == from) *open = to;
  }
  return true;
}

bool BreakableJournalFiles::syncFolder(const std::filesystem::path& folder, std::string& error) {
  if (breaks(Call::syncFolder, folder)) {
    error = "cannot sync the folder " + folder.string() + ": Input/output error";
    return false;
  }
  return platform::systemJournalFiles().syncFolder(folder, error);
}

void BreakableJournalFiles::remove(const std::filesystem::path& path) { platform::systemJournalFiles().remove(path); }

}  // namespace lumetra::test
