#include "platform/files/journal_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lumetra::platform {
namespace {

std::string describe(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

std::unique_ptr<JournalFile> openWith(const std::filesystem::path& path, int flags, std::string& error,
                                      std::unique_ptr<JournalFile> (*make)(int, std::uint64_t)) {
  const int descriptor = ::open(path.c_str(), flags | O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
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
    return make(descriptor, static_cast<std::uint64_t>(status.st_size));
  }
  ::close(descriptor);
  return nullptr;
}

bool syncFolder(const std::filesystem::path& folder) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return false;
  const bool synced = ::fsync(descriptor) == 0;
  ::close(descriptor);
  return synced;
}

}  // namespace

JournalFile::~JournalFile() { ::close(descriptor_); }

std::unique_ptr<JournalFile> JournalFile::open(const std::filesystem::path& path, std::string& error) {
  return openWith(path, 0, error, [](int descriptor, std::uint64_t size) {
    return std::unique_ptr<JournalFile>(new JournalFile(descriptor, size));
  });
}

std::unique_ptr<JournalFile> JournalFile::create(const std::filesystem::path& path, std::string& error) {
  return openWith(path, O_TRUNC, error, [](int descriptor, std::uint64_t) {
    return std::unique_ptr<JournalFile>(new JournalFile(descriptor, 0));
  });
}

bool JournalFile::append(std::string_view bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(descriptor_, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      // A part of a record would read as damage: take it back.
      const int reason = errno;
      if (::ftruncate(descriptor_, static_cast<off_t>(size_)) != 0) size_ += written;
      errno = reason;
      return false;
    }
    written += static_cast<std::size_t>(count);
  }
  size_ += written;
  return true;
}

bool JournalFile::sync() { return ::fdatasync(descriptor_) == 0; }

std::string JournalFile::read(std::uint64_t offset, std::size_t length) const {
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

bool JournalFile::truncate(std::uint64_t length) {
  if (::ftruncate(descriptor_, static_cast<off_t>(length)) != 0 || ::fsync(descriptor_) != 0) return false;
  size_ = length;
  return true;
}

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    error = describe("cannot rename " + from.string() + " to", to);
    return false;
  }
  const std::filesystem::path folder = to.has_parent_path() ? to.parent_path() : std::filesystem::path(".");
  if (!syncFolder(folder)) {
    error = describe("cannot sync the folder", folder);
    return false;
  }
  return true;
}

}  // namespace lumetra::platform
