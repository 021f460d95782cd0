#include "printer/model_functions.h"

#include "platform/files/directory.h"
#include "printer/model_config_loader.h"
#include "printer/printer_registry.h"

namespace lumetra {
namespace {

constexpr std::string_view kSettingsExtension = ".ini";

bool hasSettingsExtension(std::string_view fileName) {
  if (fileName.size() <= kSettingsExtension.size()) return false;
  const std::string_view tail = fileName.substr(fileName.size() - kSettingsExtension.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    const char c = (tail[i] >= 'A' && tail[i] <= 'Z') ? static_cast<char>(tail[i] + 32) : tail[i];
    if (c != kSettingsExtension[i]) return false;
  }
  return true;
}

}  // namespace

CallResult getPrinterModelList(const CallArguments&) {
  CallResult::Strings models;
  for (const std::string& fileName : platform::regularFileNames(std::filesystem::path(".") / "dev")) {
    // The name the loader expects back: the file name without its final
    // ".ini", so "a.b.ini" lists as "a.b" and loads again from that file.
    if (hasSettingsExtension(fileName)) {
      models.push_back(fileName.substr(0, fileName.size() - kSettingsExtension.size()));
    }
  }
  return CallResult::strings(std::move(models));
}

CallResult getPrinterDiffConfig(const CallArguments& arguments) {
  if (arguments.count() != 2) return CallResult::boolean(false);
  // A table must not change while the pending-task retry prints with it.
  const std::lock_guard lock(printerLock());
  loadModelConfig(arguments.string(0), arguments.string(1));
  return CallResult::undefined();
}

}  // namespace lumetra
