#include "platform/files/private_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace lumetra::platform {
namespace {

constexpr mode_t kOthersBits = S_IRWXG | S_IRWXO;

bool isOursAndOpenToOthers(const struct stat& status) {
  return status.st_uid == ::geteuid() && (status.st_mode & kOthersBits) != 0;
}

}  // namespace

int openPrivateFile(const std::filesystem::path& path, int flags) {
  const int descriptor = ::open(path.c_str(), flags | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
  struct stat status {};
  if (descriptor >= 0 && ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
      isOursAndOpenToOthers(status)) {
    ::fchmod(descriptor, status.st_mode & ~kOthersBits & 07777);
  }
  return descriptor;
}

bool appendToPrivateFile(const std::filesystem::path& path, std::string_view bytes) {
  const int descriptor = openPrivateFile(path, O_WRONLY | O_APPEND);
  if (descriptor < 0) return false;
  const bool whole = ::write(descriptor, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ::close(descriptor);
  return whole;
}

bool makePrivateFile(const std::filesystem::path& path) {
  const int descriptor = openPrivateFile(path, O_RDONLY);
  if (descriptor < 0) return false;
  ::close(descriptor);
  return true;
}

bool makePrivateFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), S_IRWXU) != 0 && errno != EEXIST) return false;
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0) return false;
  if (!S_ISDIR(status.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  if (isOursAndOpenToOthers(status)) ::chmod(folder.c_str(), status.st_mode & ~kOthersBits & 07777);
  return true;
}

}  // namespace lumetra::platform
