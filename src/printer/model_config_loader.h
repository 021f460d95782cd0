#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra {

// The model name the kitchen printers' command table is loaded from at every
// new script context.
inline constexpr char16_t kKitchenModelName[] = u"QV52K";

// "./dev/MODEL.ini", or "./dev/normal.ini" for an empty model name, relative
// to the current directory at the moment of the call. A model name is a
// name, never a path: one holding "/" or ".." (or NUL) names no file.
std::optional<std::filesystem::path> modelSettingsPath(std::u16string_view modelName);

// Fills the command table of `printerName`'s session (creating the session)
// from the model's settings file: all 40 bytes zeroed first, then every value
// the file gives. A missing file, section or key leaves its bytes 0 (and so
// does a model name that is a path, with a line on stderr). Neither the
// handle nor the model name of the session changes.
void loadModelConfig(const std::u16string& printerName, std::u16string_view modelName);

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
