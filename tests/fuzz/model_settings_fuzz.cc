// A shop's printer model settings file with arbitrary content, loaded the way
// opening a printer with that model loads it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "printer/model_config_loader.h"

namespace {

// Settings are read relative to the current directory, so the target works
// in a private folder of its own, removed when the run ends.
std::filesystem::path& workFolder() {
  static std::filesystem::path folder;
  return folder;
}

void removeWorkFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(workFolder(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string folder = (std::filesystem::temp_directory_path() / "lumetra-model-fuzz-XXXXXX").string();
  if (!::mkdtemp(folder.data())) std::abort();
  workFolder() = folder;
  std::atexit(removeWorkFolder);
  std::filesystem::create_directory(workFolder() / "dev");
  std::filesystem::current_path(workFolder());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream file("dev/FUZZ.ini", std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  lumetra::PrinterModelConfig table;
  lumetra::loadModelConfig(table, u"FUZZ");
  return 0;
}
