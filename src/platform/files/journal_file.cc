#include "platform/files/journal_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/files/private_files.h"

namespace lumetra::platform {
namespace {

// How far ahead of the end the file is zero-filled: one fill for a few
// thousand tickets.
constexpr std::uint64_t kZeroFilledRoom = std::uint64_t{4} << 20;

std::string describe(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

std::unique_ptr<JournalFile> openWith(const std::filesystem::path& path, int flags, std::string& error,
                                      std::unique_ptr<JournalFile> (*make)(int, std::uint64_t)) {
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

bool JournalFile::makeRoom() { return zeroFillTo(end_ + kZeroFilledRoom) && sync(); }

bool JournalFile::zeroFillTo(std::uint64_t length) {
  static const std::string zeros(64 << 10, '\0');
  while (size_ < length) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(zeros.size(), length - size_));
    if (!writeAt(size_, std::string_view(zeros).substr(0, chunk))) return false;
    size_ += chunk;
  }
  return true;
}

bool JournalFile::writeAt(std::uint64_t offset, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::pwrite(descriptor_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(count));
    offset += static_cast<std::uint64_t>(count);
  }
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
