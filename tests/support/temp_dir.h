#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lumetra::test {

// A fresh folder under the system's temp folder, removed with its contents
// when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes `content` to the file `relative` (folders created as needed).
  std::filesystem::path write(const std::filesystem::path& relative, std::string_view content) const;

 private:
  std::filesystem::path path_;
};

// Makes `folder` the current directory for the life of the object.
class ScopedWorkingDirectory {
 public:
  explicit ScopedWorkingDirectory(const std::filesystem::path& folder);
  ~ScopedWorkingDirectory();
  ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
  ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string previous_;
  bool hadPrevious_;
};

std::string readFile(const std::filesystem::path& file);

// Bytes from hex pairs such as "1d 21 11" (blanks ignored), so expected
// printer output reads like the command manual.
std::string hexBytes(std::string_view hex);

}  // namespace lumetra::test
