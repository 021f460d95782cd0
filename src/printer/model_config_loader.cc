#include "printer/model_config_loader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>

#include "base/log.h"
#include "base/profile.h"
#include "base/utf.h"
#include "platform/files/directory.h"
#include "printer/ansi_text.h"

namespace lumetra {
namespace {

// Values are read into a buffer of 64 UTF-16 units, so at most 63 count.
constexpr std::size_t kValueBufferUnits = 64;

bool isAtoiBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// atoi on one piece, with wrap-around instead of undefined overflow.
std::uint8_t atoiLowByte(std::string_view piece) {
  std::size_t i = 0;
  while (i < piece.size() && isAtoiBlank(piece[i])) ++i;
  bool negative = false;
  if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) negative = piece[i++] == '-';
  std::uint32_t value = 0;
  for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(piece[i] - '0');
  }
  return static_cast<std::uint8_t>(negative ? 0u - value : value);
}

// Where each setting of a model file goes in the command table: a byte
// list of up to `length` bytes, or one integer (length 0). Settings marked
// optional have a harmless zero default.
struct ModelSetting {
  std::u16string_view section;
  std::u16string_view key;
  std::size_t offset;
  std::size_t length;
  bool optional = false;
};

constexpr ModelSetting kModelSettings[] = {
    {u"roll", u"cmd", model_offset::kFeed, model_length::kFeed},
    {u"roll", u"p1", model_offset::kPreFeedLines, 0, true},
    {u"roll", u"p2", model_offset::kPreFeedRepeat, 0, true},
    {u"cut", u"cmd", model_offset::kCut, model_length::kCut},
    {u"cut", u"p", model_offset::kCutAlternative, 0},
    {u"zoom", u"cmd", model_offset::kSize, model_length::kSize},
    {u"zoom", u"p1", model_offset::kWideSize, 0},
    {u"zoom", u"p2", model_offset::kTallSize, 0},
    {u"zoom", u"p3", model_offset::kThirdSize, 0, true},
    {u"align", u"cmd", model_offset::kAlign, model_length::kAlign},
    {u"img", u"cmd", model_offset::kImage, model_length::kImage},
    {u"imgPrint", u"cmd", model_offset::kImagePrint, model_length::kImagePrint},
    {u"cashdraw", u"cmd", model_offset::kCashDrawer, model_length::kCashDrawer},
    {u"beep", u"cmd", model_offset::kBeep, model_length::kBeep},
};

void loadSetting(const std::filesystem::path& file, const ModelSetting& setting, PrinterModelConfig& table) {
  if (setting.length == 0) {
    table[setting.offset] = static_cast<std::uint8_t>(readProfileInt(file, setting.section, setting.key, 0));
    return;
  }
  const std::u16string value = readProfileString(file, setting.section, setting.key, u"", kValueBufferUnits);
  const std::vector<std::uint8_t> bytes = parseByteList(bytesUpToNul(toAnsiBytes(value)), setting.length);
  for (std::size_t i = 0; i < bytes.size(); ++i) table[setting.offset + i] = bytes[i];
}

std::u16string_view trimBlanks(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  return text;
}

// A whole decimal number from `lowest` to 255, as a byte in a printer
// command must be.
bool isByteNumber(std::u16string_view text, int lowest) {
  text = trimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 3) return false;
  int value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
  }
  return (negative ? -value : value) >= lowest && value <= 255;
}

std::optional<std::string> valueProblem(const ModelSetting& setting, std::u16string_view value) {
  if (trimBlanks(value).empty()) return "is empty";
  if (setting.length == 0) {
    if (isByteNumber(value, -128)) return std::nullopt;
    return "is not a number from -128 to 255: \"" + utf16ToUtf8(value) + "\"";
  }
  // Empty pieces are skipped when the list is read, so they are no fault.
  for (std::size_t start = 0; start <= value.size();) {
    std::size_t end = value.find(u',', start);
    if (end == std::u16string_view::npos) end = value.size();
    const std::u16string_view piece = value.substr(start, end - start);
    if (!trimBlanks(piece).empty() && !isByteNumber(piece, 0)) {
      return "is not a list of byte values 0 to 255: \"" + utf16ToUtf8(value) + "\"";
    }
    start = end + 1;
  }
  return std::nullopt;
}

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

bool isPlainModelName(std::u16string_view modelName) {
  return modelName.find(u'/') == std::u16string_view::npos && modelName.find(u'\0') == std::u16string_view::npos &&
         modelName.find(u"..") == std::u16string_view::npos;
}

std::optional<std::filesystem::path> modelSettingsPath(std::u16string_view modelName) {
  if (!isPlainModelName(modelName)) return std::nullopt;
  const std::string file = modelName.empty() ? "normal" : utf16ToUtf8(modelName);
  return std::filesystem::path(".") / "dev" / (file + ".ini");
}

std::vector<std::string> modelNames() {
  std::vector<std::string> models;
  for (const std::string& fileName : platform::regularFileNames(std::filesystem::path(".") / "dev")) {
    if (hasSettingsExtension(fileName)) {
      models.push_back(fileName.substr(0, fileName.size() - kSettingsExtension.size()));
    }
  }
  return models;
}

std::vector<std::uint8_t> parseByteList(std::string_view ansiText, std::size_t maxBytes) {
  std::vector<std::uint8_t> bytes;
  std::size_t start = 0;
  while (bytes.size() < maxBytes && start < ansiText.size()) {
    std::size_t end = ansiText.find(',', start);
    if (end == std::string_view::npos) end = ansiText.size();
    if (end > start) bytes.push_back(atoiLowByte(ansiText.substr(start, end - start)));
    start = end + 1;
  }
  return bytes;
}

void loadModelConfig(PrinterModelConfig& table, std::u16string_view modelName) {
  table.bytes.fill(0);
  const std::optional<std::filesystem::path> file = modelSettingsPath(modelName);
  if (!file) {
    logf(LogLevel::warning, "model name \"%s\" is not a file name in dev/; no settings read",
         utf16ToUtf8(modelName).c_str());
    return;
  }
  for (const ModelSetting& setting : kModelSettings) loadSetting(*file, setting, table);
  table[model_offset::kWideTallSize] = table[model_offset::kWideSize] | table[model_offset::kTallSize];
}

std::vector<ModelFileProblem> checkModelFile(const std::filesystem::path& file) {
  std::ifstream readable(file, std::ios::binary);
  if (!readable) return {{file, "", "cannot be read"}};
  std::vector<ModelFileProblem> problems;
  for (const ModelSetting& setting : kModelSettings) {
    const std::string where = "[" + utf16ToUtf8(setting.section) + "] " + utf16ToUtf8(setting.key);
    const std::optional<std::u16string> value = findProfileValue(file, setting.section, setting.key);
    if (!value) {
      if (!setting.optional) problems.push_back({file, where, "is missing"});
    } else if (auto problem = valueProblem(setting, *value)) {
      problems.push_back({file, where, std::move(*problem)});
    }
  }
  return problems;
}

std::vector<ModelFileProblem> checkModelFolder(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return {{folder, "", "is missing: printers get no commands"}};
  std::vector<std::filesystem::path> files;
  for (const std::string& fileName : platform::regularFileNames(folder)) {
    if (hasSettingsExtension(fileName)) files.push_back(folder / fileName);
  }
  std::sort(files.begin(), files.end());
  std::vector<ModelFileProblem> problems;
  if (!std::filesystem::exists(folder / "normal.ini", error)) {
    problems.push_back({folder / "normal.ini", "", "is missing: printers with no model get no commands"});
  }
  for (const std::filesystem::path& file : files) {
    std::vector<ModelFileProblem> found = checkModelFile(file);
    problems.insert(problems.end(), found.begin(), found.end());
  }
  return problems;
}

std::string describe(const ModelFileProblem& problem) {
  std::string text = problem.file.string();
  if (!problem.setting.empty()) text += ": " + problem.setting;
  return text + " " + problem.problem;
}

}  // namespace lumetra
