#include "platform/files/directory.h"

#include <system_error>

namespace lumetra::platform {

std::vector<std::string> regularFileNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError)) names.push_back(it->path().filename().string());
  }
  return names;
}

}  // namespace lumetra::platform
