#include "base/profile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>

#include "base/code_page.h"
#include "base/utf.h"

namespace lumetra {
namespace {

// The integer reader looks at no more than a 30-unit buffer of the value.
constexpr std::size_t kIntegerBufferUnits = 30;

bool isValidUtf8(std::string_view bytes) { return utf16ToUtf8(utf8ToUtf16(bytes)) == bytes; }

std::u16string decodeProfileFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string out;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      out +=
          static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return out;
  }
  std::string_view view(bytes);
  if (view.starts_with("\xEF\xBB\xBF")) return utf8ToUtf16(view.substr(3));
  return isValidUtf8(view) ? utf8ToUtf16(view) : ansiToUtf16(view);
}

char16_t foldCase(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f'; }

std::u16string_view trim(std::u16string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::u16string_view unquote(std::u16string_view value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Calls `visit` with each key and value of the first section named
// `section`, in file order, until it returns false.
template <typename Visit>
void visitProfileSection(const std::filesystem::path& file, std::u16string_view section, Visit visit) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::u16string text = decodeProfileFile(bytes);

  bool inSection = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string_view line = trim(std::u16string_view(text).substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      const std::size_t close = line.find(u']');
      const std::u16string_view name = trim(line.substr(1, close == std::u16string_view::npos ? line.npos : close - 1));
      // Only the first section of a name counts.
      if (inSection) return;
      inSection = equalsIgnoringCase(name, section);
      continue;
    }
    if (!inSection) continue;
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) continue;
    if (!visit(trim(line.substr(0, eq)), unquote(trim(line.substr(eq + 1))))) return;
  }
}

}  // namespace

std::optional<std::u16string> findProfileValue(const std::filesystem::path& file, std::u16string_view section,
                                               std::u16string_view key) {
  std::optional<std::u16string> found;
  visitProfileSection(file, section, [&](std::u16string_view name, std::u16string_view value) {
    if (equalsIgnoringCase(name, key)) found.emplace(value);
    return !found;
  });
  return found;
}

std::vector<std::pair<std::u16string, std::u16string>> readProfileSection(const std::filesystem::path& file,
                                                                          std::u16string_view section,
                                                                          std::size_t maxEntries) {
  std::vector<std::pair<std::u16string, std::u16string>> entries;
  visitProfileSection(file, section, [&](std::u16string_view name, std::u16string_view value) {
    const bool seen = std::any_of(entries.begin(), entries.end(),
                                  [&](const auto& entry) { return equalsIgnoringCase(entry.first, name); });
    if (!seen) entries.emplace_back(name, value);
    return entries.size() < maxEntries;
  });
  return entries;
}

std::u16string readProfileString(const std::filesystem::path& file, std::u16string_view section,
                                 std::u16string_view key, std::u16string_view fallback, std::size_t bufferUnits) {
  std::u16string value(findProfileValue(file, section, key).value_or(std::u16string(fallback)));
  const std::size_t limit = bufferUnits == 0 ? 0 : bufferUnits - 1;
  if (value.size() > limit) value.resize(limit);
  return value;
}

std::int32_t readProfileInt(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
                            std::int32_t fallback) {
  const std::u16string value = readProfileString(file, section, key, u"", kIntegerBufferUnits);
  if (value.empty()) return fallback;
  std::size_t i = 0;
  while (i < value.size() && isBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) negative = value[i++] == u'-';
  std::uint32_t result = 0;
  for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
    result = result * 10u + static_cast<std::uint32_t>(value[i] - u'0');
  }
  if (negative) result = 0u - result;
  return static_cast<std::int32_t>(result);
}

}  // namespace lumetra
