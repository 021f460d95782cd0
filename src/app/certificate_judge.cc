#include "app/certificate_judge.h"

#include <algorithm>
#include <fstream>

#include "base/log.h"
#include "base/profile.h"
#include "base/utf.h"
#include "platform/files/whole_file.h"

namespace lumetra::shell {
namespace {

constexpr std::size_t kFingerprintBytes = 32;
// The longest DNS name; addresses are shorter.
constexpr std::size_t kMostHostCharacters = 253;
// Hosts and certificates remembered as met in a run: past this, none is
// allowed or reported anew, so that a page cannot make the till remember
// without end.
constexpr std::size_t kMostCertificatesMet = 10000;
// A malformed line is named on stderr up to here.
constexpr std::size_t kMostRejectedLineCharacters = 120;

constexpr const char* kPinFileHeading =
    "; The certificates lumetra met first for hosts that the system's certificate\n"
    "; authorities do not vouch for (SHA-256). A host showing another certificate\n"
    "; is refused: delete its line here to accept the next certificate it shows.\n";

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A host as a URL gives it: a name or an IPv4 or IPv6 address (IPv6
// without brackets).
bool isHost(std::string_view host) {
  return !host.empty() && host.size() <= kMostHostCharacters && std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' || c == ':';
  });
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

CertificateVerdict verdictAgainst(const std::vector<std::string>& expected, const std::string& fingerprint,
                                  std::string basis) {
  const bool matches = contains(expected, fingerprint);
  return {matches ? CertificateVerdict::Outcome::accepted : CertificateVerdict::Outcome::refused, true, expected,
          std::move(basis)};
}

CertificateVerdict refusal(std::string basis) {
  return {CertificateVerdict::Outcome::refused, true, {}, std::move(basis)};
}

}  // namespace

std::optional<CertificateMode> parseCertificateMode(std::string_view text) {
  const std::string mode = lowerCase(trimmed(text));
  if (mode == "pin-first-use") return CertificateMode::pinFirstUse;
  if (mode == "verify") return CertificateMode::verify;
  if (mode == "accept-any") return CertificateMode::acceptAny;
  return std::nullopt;
}

std::optional<std::string> normaliseFingerprint(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string digits;
  for (const char c : trimmed(text)) {
    if (c == ':') continue;
    const char upper = (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
    if (std::string_view(kHex).find(upper) == std::string_view::npos || digits.size() == 2 * kFingerprintBytes)
      return std::nullopt;
    digits += upper;
  }
  if (digits.size() != 2 * kFingerprintBytes) return std::nullopt;
  std::string fingerprint;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    if (i > 0) fingerprint += ':';
    fingerprint += digits.substr(i, 2);
  }
  return fingerprint;
}

bool addPinLine(CertificatePins& pins, std::string_view host, std::string_view fingerprints) {
  const std::string name = lowerCase(trimmed(host));
  if (!isHost(name)) return false;
  std::vector<std::string> accepted;
  while (!fingerprints.empty()) {
    const std::size_t comma = fingerprints.find(',');
    const std::optional<std::string> fingerprint = normaliseFingerprint(fingerprints.substr(0, comma));
    if (!fingerprint || accepted.size() == kMostFingerprintsPerHost) return false;
    if (!contains(accepted, *fingerprint)) accepted.push_back(*fingerprint);
    fingerprints = comma == std::string_view::npos ? std::string_view() : fingerprints.substr(comma + 1);
  }
  if (accepted.empty()) return false;
  pins[name] = std::move(accepted);
  return true;
}

CertificatePins readPinSection(const std::filesystem::path& file, std::vector<std::string>& rejected) {
  CertificatePins pins;
  for (const auto& [key, value] : readProfileSection(file, kPinnedCertificatesSection, kMostPinnedHosts)) {
    const std::string host = utf16ToUtf8(key);
    const std::string fingerprints = utf16ToUtf8(value);
    if (!addPinLine(pins, host, fingerprints)) {
      rejected.push_back((host + " = " + fingerprints).substr(0, kMostRejectedLineCharacters));
    }
  }
  return pins;
}

std::string pinFileText(const CertificatePins& pins) {
  std::string text = std::string(kPinFileHeading) + "[" + utf16ToUtf8(kPinnedCertificatesSection) + "]\n";
  for (const auto& [host, fingerprints] : pins) {
    text += host + " =";
    for (std::size_t i = 0; i < fingerprints.size(); ++i) text += (i == 0 ? " " : ", ") + fingerprints[i];
    text += "\n";
  }
  return text;
}

CertificateJudge::CertificateJudge(CertificateSettings settings, std::filesystem::path pinFile)
    : settings_(std::move(settings)), pinFile_(std::move(pinFile)) {
  if (settings_.mode != CertificateMode::pinFirstUse) return;
  std::error_code error;
  // Starting afresh over pins that could not be read would let the next
  // certificate of every host in.
  if (std::filesystem::exists(pinFile_, error) &&
      (!std::filesystem::is_regular_file(pinFile_, error) || !std::ifstream(pinFile_))) {
    cannotPin_ = "none: " + pinFile_.string() + " cannot be read";
    logf(LogLevel::error, "%s cannot be read: no host's certificate is pinned at its first use", pinFile_.c_str());
    return;
  }
  std::vector<std::string> rejected;
  pinned_ = readPinSection(pinFile_, rejected);
  for (const std::string& line : rejected) {
    logf(LogLevel::warning, "%s: \"%s\" is not \"host = SHA-256 fingerprint\"; skipped", pinFile_.c_str(),
         line.c_str());
  }
}

CertificateVerdict CertificateJudge::judge(std::string_view host, std::string_view fingerprint) {
  const std::string name = lowerCase(host);
  const std::string presented(fingerprint);
  const bool first = met_.size() < kMostCertificatesMet && met_.emplace(name, presented).second;
  CertificateVerdict verdict;
  if (settings_.mode == CertificateMode::acceptAny) {
    verdict = {CertificateVerdict::Outcome::accepted, true, {}, "certificates = accept-any"};
  } else if (!isHost(name)) {
    // Nor could it be kept in certificates.pinned.
    verdict = refusal("none: not a host name or address");
  } else if (const auto listed = settings_.listed.find(name); listed != settings_.listed.end()) {
    verdict = verdictAgainst(listed->second, presented, "listed in [pinned_certificates] of lumetra.conf");
  } else if (settings_.mode == CertificateMode::verify) {
    verdict = refusal("none: certificates = verify, and the host is not listed in [pinned_certificates]");
  } else {
    verdict = judgeFirstUse(name, presented);
  }
  verdict.firstInRun = first;
  return verdict;
}

CertificateVerdict CertificateJudge::judgeFirstUse(const std::string& host, const std::string& fingerprint) {
  if (const auto pinned = pinned_.find(host); pinned != pinned_.end()) {
    return verdictAgainst(pinned->second, fingerprint, "pinned at its first use in " + std::string(kPinFileName));
  }
  if (!cannotPin_.empty()) return refusal(cannotPin_);
  if (pinned_.size() >= kMostPinnedHosts) {
    return refusal("none: " + std::string(kPinFileName) + " holds " + std::to_string(kMostPinnedHosts) +
                   " hosts already");
  }
  pinned_[host] = {fingerprint};
  savePins();
  return {CertificateVerdict::Outcome::pinned, true, {fingerprint}, "pinned at its first use now"};
}

// A pin that cannot be kept still holds for this run.
void CertificateJudge::savePins() const {
  std::string error;
  if (!platform::writeWholeFile(pinFile_, pinFileText(pinned_), error)) {
    logf(LogLevel::warning, "cannot keep the certificate pins (%s): they hold until the till is restarted",
         error.c_str());
  }
}

}  // namespace lumetra::shell
