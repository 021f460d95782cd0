#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/files/journal_file.h"
#include "platform/files/private_files.h"

namespace lumetra::platform {
namespace {

// How far ahead of the end the file is zero-filled: one fill for a few
// thousand tickets.
constexpr std::uint64_t kZeroFilledRoom = std::uint64_t{4} << 20;

std::string describe(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

class PosixJournalFile : public JournalFile {
 public:
  PosixJournalFile(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size), end_(size) {}
  ~PosixJournalFile() override { ::close(descriptor_); }
  PosixJournalFile(const PosixJournalFile&) = delete;
  PosixJournalFile& operator=(const PosixJournalFile&) = delete;

  std::uint64_t size() const override { return size_; }
  std::uint64_t end() const override { return end_; }
  void setEnd(std::uint64_t end) override { end_ = end; }
  bool makeRoom() override { return zeroFillTo(end_ + kZeroFilledRoom) && sync(); }
  bool append(std::string_view bytes) override;
  bool sync() override { return ::fdatasync(descriptor_) == 0; }
  std::string read(std::uint64_t offset, std::size_t length) const override;

 private:
  // Writes zeros from the file's end until it is at least `length` long.
  bool zeroFillTo(std::uint64_t length);
  bool writeAt(std::uint64_t offset, std::string_view bytes);

  const int descriptor_;
  std::uint64_t size_;
  std::uint64_t end_;
};

bool PosixJournalFile::append(std::string_view bytes) {
  if (end_ + bytes.size() > size_ && !zeroFillTo(end_ + bytes.size() + kZeroFilledRoom)) return false;
  if (!writeAt(end_, bytes)) {
    // A part of a record would read as damage: zero it again.
    const int reason = errno;
    writeAt(end_, std::string(bytes.size(), '\0'));
    errno = reason;
    return false;
  }
  end_ += bytes.size();
  return true;
}

bool PosixJournalFile::zeroFillTo(std::uint64_t length) {
  static const std::string zeros(64 << 10, '\0');
  while (size_ < length) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(zeros.size(), length - size_));
    if (!writeAt(size_, std::string_view(zeros).substr(0, chunk))) return false;
    size_ += chunk;
  }
  return true;
}

bool PosixJournalFile::writeAt(std::uint64_t offset, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::pwrite(descriptor_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(count));
    offset += static_cast<std::uint64_t>(count);
  }
  return true;
}

std::string PosixJournalFile::read(std::uint64_t offset, std::size_t length) const {
  std::string bytes(length, '\0');
  std::size_t done = 0;
  while (done < length) {
    const ssize_t count = ::pread(descriptor_, bytes.data() + done, length - done, static_cast<off_t>(offset + done));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return {};
    done += static_cast<std::size_t>(count);
  }
  return bytes;
}

class PosixJournalFiles : public JournalFiles {
 public:
  std::unique_ptr<JournalFile> open(const std::filesystem::path& path, std::string& error) override {
    return openLocked(path, 0, error);
  }
  std::unique_ptr<JournalFile> create(const std::filesystem::path& path, std::string& error) override {
    return openLocked(path, O_TRUNC, error);
  }
  bool rename(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) override;
  bool syncFolder(const std::filesystem::path& folder, std::string& error) override;
  void remove(const std::filesystem::path& path) override { ::unlink(path.c_str()); }

 private:
  static std::unique_ptr<JournalFile> openLocked(const std::filesystem::path& path, int flags, std::string& error);
};

std::unique_ptr<JournalFile> PosixJournalFiles::openLocked(const std::filesystem::path& path, int flags,
                                                           std::string& error) {
  const int descriptor = openPrivateFile(path, flags | O_RDWR);
  if (descriptor < 0) {
    error = describe("cannot open", path);
    return nullptr;
  }
  struct stat status {};
  if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    error = errno == EWOULDBLOCK ? path.string() + " is in use by another process" : describe("cannot lock", path);
  } else if (::fstat(descriptor, &status) != 0) {
    error = describe("cannot read the size of", path);
  } else {
    return std::make_unique<PosixJournalFile>(descriptor, static_cast<std::uint64_t>(status.st_size));
  }
  ::close(descriptor);
  return nullptr;
}

bool PosixJournalFiles::rename(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  error = describe("cannot rename " + from.string() + " to", to);
  return false;
}

bool PosixJournalFiles::syncFolder(const std::filesystem::path& folder, std::string& error) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool synced = descriptor >= 0 && ::fsync(descriptor) == 0;
  if (!synced) error = describe("cannot sync the folder", folder);
  if (descriptor >= 0) ::close(descriptor);
  return synced;
}

}  // namespace

JournalFiles& systemJournalFiles() {
  static PosixJournalFiles files;
  return files;
}

}  // namespace lumetra::platform
