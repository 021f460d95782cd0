#include "printer/model_config_loader.h"

#include "base/profile.h"
#include "base/utf.h"
#include "printer/ansi_text.h"
#include "platform/files/directory.h"

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

class ModelFileReader {
 public:
  ModelFileReader(std::filesystem::path path, PrinterModelConfig& table)
      : path_(std::move(path)), table_(table) {}

  void byteList(std::u16string_view section, std::size_t offset, std::size_t length) {
    const std::u16string value =
        base::readProfileString(path_, section, u"cmd", u"", kValueBufferUnits);
    const std::vector<std::uint8_t> bytes = parseByteList(bytesUpToNul(toAnsiBytes(value)), length);
    for (std::size_t i = 0; i < bytes.size(); ++i) table_[offset + i] = bytes[i];
  }

  void integer(std::u16string_view section, std::u16string_view key, std::size_t offset) {
    table_[offset] = static_cast<std::uint8_t>(base::readProfileInt(path_, section, key, 0));
  }

 private:
  std::filesystem::path path_;
  PrinterModelConfig& table_;
};

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

std::filesystem::path modelSettingsPath(std::u16string_view modelName) {
  const std::string file = modelName.empty() ? "normal" : base::utf16ToUtf8(modelName);
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
  namespace at = model_offset;
  namespace len = model_length;
  table.bytes.fill(0);
  ModelFileReader file(modelSettingsPath(modelName), table);
  file.byteList(u"roll", at::kFeed, len::kFeed);
  file.integer(u"roll", u"p1", at::kPreFeedLines);
  file.integer(u"roll", u"p2", at::kPreFeedRepeat);
  file.byteList(u"cut", at::kCut, len::kCut);
  file.integer(u"cut", u"p", at::kCutAlternative);
  file.byteList(u"zoom", at::kSize, len::kSize);
  file.integer(u"zoom", u"p1", at::kWideSize);
  file.integer(u"zoom", u"p2", at::kTallSize);
  table[at::kWideTallSize] = table[at::kWideSize] | table[at::kTallSize];
  file.integer(u"zoom", u"p3", at::kThirdSize);
  file.byteList(u"align", at::kAlign, len::kAlign);
  file.byteList(u"img", at::kImage, len::kImage);
  file.byteList(u"imgPrint", at::kImagePrint, len::kImagePrint);
  file.byteList(u"cashdraw", at::kCashDrawer, len::kCashDrawer);
  file.byteList(u"beep", at::kBeep, len::kBeep);
}

}  // namespace lumetra
