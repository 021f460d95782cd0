#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumetra::shell {

struct LoadFailure {
  enum class Kind { aborted, unknownScheme, other };
  Kind kind = Kind::other;
  int code = 0;
  std::string text;  // the engine's description of the error
  std::string failedUrl;
  std::string frameUrl;  // what the frame showed when the load failed
};

// The page shown instead of a page that failed to load, or nothing when the
// failure is not shown (aborted loads, downloads among them, and unknown
// "spotify:" links).
std::optional<std::string> errorPageFor(const LoadFailure& failure);

// A certificate the shell refused for `host`: what the host showed and what
// was expected of it.
struct CertificateRefusal {
  std::string url;
  std::string host;
  std::string presented;              // SHA-256 fingerprint
  std::vector<std::string> expected;  // SHA-256 fingerprints; may be none
  std::string basis;                  // where `expected` comes from, or why there is none
};

// The fingerprints expected, with their basis ("X, Y (basis)"), or the
// basis alone when none were.
std::string describeExpectedCertificate(const CertificateRefusal& refusal);

// The page shown instead of one whose certificate was refused.
std::string certificateRefusedPage(const CertificateRefusal& refusal);

// Text made safe to place in HTML content or attribute values.
std::string escapeHtml(std::string_view text);

}  // namespace lumetra::shell
