#include "app/startup_checks.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "printer/model_config_loader.h"

namespace lumetra::shell {
namespace {

// A message box must stay readable; stderr has the full list.
constexpr std::size_t kModelProblemsShown = 8;

void checkExtension(const std::optional<std::filesystem::path>& folder,
                    const std::vector<std::filesystem::path>& searched, StartupReport& report) {
  if (folder) return;
  std::string places;
  for (const std::filesystem::path& place : searched) {
    places += (places.empty() ? "" : ", ") + place.string();
  }
  report.errorLines.push_back(std::string("the web extension ") + kExtensionFileName + " is in none of " + places +
                              ": pages get no window functions (no printing, no customer display)");
  report.staffText += std::string("找不到网页扩展 ") + kExtensionFileName + "，打印等本机功能都不能使用！\n";
}

// console.log and the browser's storage (cache/) live here; a read-only
// folder would lose both without a word.
void checkWorkingFolder(const std::filesystem::path& folder, StartupReport& report) {
  if (::access(folder.c_str(), W_OK) == 0) return;
  report.errorLines.push_back("the working folder " + folder.string() + " cannot be written (" + std::strerror(errno) +
                              "): console.log and the pages' storage in cache/ are lost");
}

void checkModels(const std::filesystem::path& folder, StartupReport& report) {
  const std::vector<ModelFileProblem> problems = checkModelFolder(folder / "dev");
  if (problems.empty()) return;
  report.staffText += "打印机型号设置有误，小票可能打印不正确：\n";
  for (std::size_t i = 0; i < problems.size(); ++i) {
    const std::string line = describe(problems[i]);
    report.errorLines.push_back(line);
    if (i < kModelProblemsShown) report.staffText += line + "\n";
  }
  if (problems.size() > kModelProblemsShown) {
    report.staffText += "……共 " + std::to_string(problems.size()) + " 处\n";
  }
}

}  // namespace

std::vector<std::filesystem::path> extensionFolders(const std::filesystem::path& executableFolder) {
  return {executableFolder, executableFolder.parent_path() / "lib" / "lumetra"};
}

std::optional<std::filesystem::path> findExtensionFolder(const std::filesystem::path& executableFolder) {
  for (const std::filesystem::path& folder : extensionFolders(executableFolder)) {
    std::error_code error;
    if (std::filesystem::is_regular_file(folder / kExtensionFileName, error)) return folder;
  }
  return std::nullopt;
}

StartupReport checkStartup(const std::optional<std::filesystem::path>& extensionFolder,
                           const std::vector<std::filesystem::path>& searched,
                           const std::filesystem::path& workingFolder) {
  StartupReport report;
  checkExtension(extensionFolder, searched, report);
  checkWorkingFolder(workingFolder, report);
  checkModels(workingFolder, report);
  return report;
}

}  // namespace lumetra::shell
