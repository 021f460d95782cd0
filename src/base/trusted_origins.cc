#include "base/trusted_origins.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace lumetra {
namespace {

constexpr std::string_view kFileScheme = "file://";

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), lower);
  return result;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && lowered(text.substr(0, prefix.size())) == prefix;
}

bool isHostCharacter(char c, bool bracketed) {
  const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  return alphanumeric || c == '-' || c == '.' || c == '_' || (bracketed && c == ':');
}

// "host" or "[v6]" in lower case, followed by an optional ":port"; the
// port is left out when it is the scheme's default, as browsers serialise it.
std::optional<std::string> hostAndPort(std::string_view authority, std::string_view defaultPort) {
  const std::string text = lowered(authority);
  const bool bracketed = text.starts_with('[');
  const std::size_t hostEnd = bracketed ? text.find(']') : text.find(':');
  if (bracketed && hostEnd == std::string::npos) return std::nullopt;
  const std::string host = text.substr(0, bracketed ? hostEnd + 1 : hostEnd);
  const std::string_view inner = bracketed ? std::string_view(host).substr(1, host.size() - 2) : host;
  if (inner.empty() ||
      !std::all_of(inner.begin(), inner.end(), [&](char c) { return isHostCharacter(c, bracketed); })) {
    return std::nullopt;
  }
  std::string_view rest = std::string_view(text).substr(host.size());
  if (rest.empty()) return host;
  if (rest.front() != ':') return std::nullopt;
  rest.remove_prefix(1);
  while (rest.size() > 1 && rest.front() == '0') rest.remove_prefix(1);
  if (rest.empty() || rest == defaultPort) return host;
  unsigned port = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), port);
  if (error != std::errc() || end != rest.data() + rest.size() || port == 0 || port > 65535) return std::nullopt;
  return host + ":" + std::to_string(port);
}

// "scheme://host[:port]" of an http or https URL; a user name in it is
// refused, as it is a classic disguise for another host.
std::optional<std::string> webOrigin(std::string_view url) {
  for (const auto& [scheme, defaultPort] :
       {std::pair<std::string_view, std::string_view>{"http://", "80"}, {"https://", "443"}}) {
    if (!startsWithIgnoringCase(url, scheme)) continue;
    const std::string_view rest = url.substr(scheme.size());
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (authority.find('@') != std::string_view::npos) return std::nullopt;
    const auto host = hostAndPort(authority, defaultPort);
    if (!host) return std::nullopt;
    return std::string(scheme) + *host;
  }
  return std::nullopt;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = lower(c);
  return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
}

std::optional<std::string> percentDecoded(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
    const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
    if (low < 0) return std::nullopt;
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return decoded;
}

// The part of a file: URL that names the file, still encoded, with the
// host (empty or "localhost") left out; nothing for any other URL.
std::optional<std::string_view> encodedFilePath(std::string_view url) {
  if (!startsWithIgnoringCase(url, kFileScheme)) return std::nullopt;
  std::string_view rest = url.substr(kFileScheme.size());
  rest = rest.substr(0, rest.find_first_of("?#"));
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string host = lowered(rest.substr(0, slash));
  if (!host.empty() && host != "localhost") return std::nullopt;
  return rest.substr(slash);
}

// A path the kernel would open as it reads: absolute, no NUL, no "." or
// ".." segment (a link inside a folder can make ".." lead anywhere, so
// they are refused, not resolved); repeated slashes and a trailing one
// dropped, so the root is "".
std::optional<std::string> plainPath(std::string_view path) {
  if (!path.starts_with('/') || path.find('\0') != std::string_view::npos) return std::nullopt;
  std::string plain;
  std::size_t start = 0;
  while (start < path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view segment = path.substr(start, end - start);
    if (segment == "." || segment == "..") return std::nullopt;
    if (!segment.empty()) (plain += '/') += segment;
    start = end + 1;
  }
  return plain;
}

std::optional<std::string> filePath(std::string_view url) {
  const auto encoded = encodedFilePath(url);
  if (!encoded) return std::nullopt;
  const auto decoded = percentDecoded(*encoded);
  return decoded ? plainPath(*decoded) : std::nullopt;
}

// A folder entry of the list: a plain path as it is written, or a file: URL.
std::optional<std::string> folderEntry(std::string_view entry) {
  if (entry.starts_with('/')) return plainPath(entry);
  return filePath(entry);
}

// Bytes that would end an entry or change its meaning when read back.
std::string encodedForList(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '%' || c == ',' || c == '?' || c == '#') {
      ((encoded += '%') += kHex[byte >> 4]) += kHex[byte & 0xF];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

void addOnce(std::vector<std::string>& entries, std::string entry) {
  if (std::find(entries.begin(), entries.end(), entry) == entries.end()) entries.push_back(std::move(entry));
}

}  // namespace

TrustedOrigins TrustedOrigins::fromList(std::string_view list, std::vector<std::string>* unreadable) {
  TrustedOrigins trusted;
  constexpr std::string_view kSeparators = ", \t\r\n";
  std::size_t start = list.find_first_not_of(kSeparators);
  while (start != std::string_view::npos) {
    const std::size_t end = std::min(list.find_first_of(kSeparators, start), list.size());
    const std::string_view entry = list.substr(start, end - start);
    if (const auto origin = webOrigin(entry)) {
      addOnce(trusted.origins_, *origin);
    } else if (const auto folder = folderEntry(entry)) {
      addOnce(trusted.folders_, *folder);
    } else if (unreadable) {
      unreadable->emplace_back(entry);
    }
    start = list.find_first_not_of(kSeparators, end);
  }
  return trusted;
}

TrustedOrigins TrustedOrigins::ofStartPage(std::string_view url) {
  TrustedOrigins trusted;
  if (const auto origin = webOrigin(url)) {
    trusted.origins_.push_back(*origin);
  } else if (const auto encoded = encodedFilePath(url)) {
    const auto folder =
        folderEntry(std::string(kFileScheme) + std::string(encoded->substr(0, encoded->rfind('/') + 1)));
    if (folder) trusted.folders_.push_back(*folder);
  }
  return trusted;
}

std::string TrustedOrigins::toList() const {
  std::string list;
  const auto add = [&list](const std::string& entry) { (list += list.empty() ? "" : " ") += entry; };
  for (const std::string& origin : origins_) add(origin);
  for (const std::string& folder : folders_) add(std::string(kFileScheme) + encodedForList(folder) + "/");
  return list;
}

bool TrustedOrigins::trusts(std::string_view documentOrigin) const {
  if (startsWithIgnoringCase(documentOrigin, kFileScheme)) {
    const auto path = filePath(documentOrigin);
    return path && std::any_of(folders_.begin(), folders_.end(),
                               [&](const std::string& folder) { return path->starts_with(folder + "/"); });
  }
  const auto origin = webOrigin(documentOrigin);
  return origin && std::find(origins_.begin(), origins_.end(), *origin) != origins_.end();
}

std::string originName(std::string_view documentOrigin) {
  if (const auto origin = webOrigin(documentOrigin)) return *origin;
  if (const auto path = encodedFilePath(documentOrigin)) {
    return std::string(kFileScheme) + std::string(path->substr(0, path->rfind('/') + 1));
  }
  return "null";
}

}  // namespace lumetra
