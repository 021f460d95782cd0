#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumetra::shell {

// What the shell does with a certificate that the system's certificate
// authorities do not vouch for. (One they vouch for passes, as in any
// browser, and never reaches the judge.)
enum class CertificateMode {
  pinFirstUse,  // the first one a host shows is kept; a different one later is refused
  verify,       // only those listed in [pinned_certificates]
  acceptAny,    // every one, unchecked: how the shell used to load pages
};

std::optional<CertificateMode> parseCertificateMode(std::string_view text);

// A SHA-256 fingerprint as "AB:CD:...": 32 bytes in upper-case hex with
// colons, as `openssl x509 -noout -fingerprint -sha256` prints it. That form
// and bare hex are read in either letter case; anything else is nothing.
std::optional<std::string> normaliseFingerprint(std::string_view text);

// Host (lower case) -> the fingerprints it may show.
using CertificatePins = std::map<std::string, std::vector<std::string>>;

// The section both the vendor's lumetra.conf and certificates.pinned list
// their pins in, one "host = fingerprint" line a host (the vendor may give
// several fingerprints, separated by commas).
inline constexpr char16_t kPinnedCertificatesSection[] = u"pinned_certificates";
inline constexpr const char* kPinFileName = "certificates.pinned";
// A page can make the till meet any number of hosts: the pins it keeps and
// the ones it reads are bounded.
inline constexpr std::size_t kMostPinnedHosts = 1000;
inline constexpr std::size_t kMostFingerprintsPerHost = 8;

// Adds the pin line `host = fingerprints` to `pins`; false (and `pins` as
// it was) when the host is not a host name or address or a fingerprint is
// malformed.
bool addPinLine(CertificatePins& pins, std::string_view host, std::string_view fingerprints);

// The pins read from a file's [pinned_certificates], its malformed lines
// named in `rejected`.
CertificatePins readPinSection(const std::filesystem::path& file, std::vector<std::string>& rejected);

// The contents of certificates.pinned for `pins`.
std::string pinFileText(const CertificatePins& pins);

struct CertificateSettings {
  CertificateMode mode = CertificateMode::pinFirstUse;  // [security] certificates
  CertificatePins listed;                               // [pinned_certificates], set by the vendor
  bool operator==(const CertificateSettings&) const = default;
};

struct CertificateVerdict {
  enum class Outcome { accepted, pinned, refused };
  Outcome outcome = Outcome::refused;
  // The first verdict on this host and certificate in this run: the
  // certificate is then allowed, or the refusal reported, once (never
  // again once a run has met 10,000 of them).
  bool firstInRun = true;
  std::vector<std::string> expected;  // what the host should have shown
  std::string basis;                  // where `expected` comes from, or why there is none
};

// Judges the certificates of hosts that the system's authorities do not
// vouch for, and keeps the pins of first use in `pinFile` (read once, at
// construction; rewritten whole at each new pin).
class CertificateJudge {
 public:
  CertificateJudge(CertificateSettings settings, std::filesystem::path pinFile);

  CertificateVerdict judge(std::string_view host, std::string_view fingerprint);

 private:
  CertificateVerdict judgeFirstUse(const std::string& host, const std::string& fingerprint);
  void savePins() const;

  CertificateSettings settings_;
  std::filesystem::path pinFile_;
  CertificatePins pinned_;
  std::string cannotPin_;  // why no new host can be pinned; empty: they can
  std::set<std::pair<std::string, std::string>> met_;
};

}  // namespace lumetra::shell
