#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "printer/printer_model_config.h"

namespace lumetra {

// The model name the kitchen printers' command table is loaded from at every
// new script context.
inline constexpr char16_t kKitchenModelName[] = u"QV52K";

// "./dev/MODEL.ini", or "./dev/normal.ini" for an empty model name, relative
// to the current directory at the moment of the call. A model name is a
// name, never a path: one holding "/" or ".." (or NUL) names no file.
std::optional<std::filesystem::path> modelSettingsPath(std::u16string_view modelName);

// Fills a printer's command table from the model's settings file: all 40
// bytes zeroed first, then every value the file gives. A missing file,
// section or key leaves its bytes 0, and so does a model name that is a
// path (with a line on stderr).
void loadModelConfig(PrinterModelConfig& table, std::u16string_view modelName);

// The model names of ./dev/*.ini in the file system's order: each file's
// name without its final ".ini", so "a.b.ini" lists as "a.b" and loads
// again from that file.
std::vector<std::string> modelNames();

// Something in a model file that makes receipts come out wrong: a required
// setting missing, or a value that is not what its command needs.
struct ModelFileProblem {
  std::filesystem::path file;
  std::string setting;  // "[section] key"; empty for the file itself
  std::string problem;
};

// The problems of one model file, in the file's setting order.
std::vector<ModelFileProblem> checkModelFile(const std::filesystem::path& file);
// A missing folder, a missing normal.ini, then every *.ini's problems.
std::vector<ModelFileProblem> checkModelFolder(const std::filesystem::path& folder);
// "FILE: [section] key PROBLEM", for a person.
std::string describe(const ModelFileProblem& problem);

// A byte list value such as "29,86,0": split at commas like strtok (empty
// pieces skipped), each piece read like atoi, low 8 bits kept, at most
// `maxBytes` bytes.
std::vector<std::uint8_t> parseByteList(std::string_view ansiText, std::size_t maxBytes);

}  // namespace lumetra
