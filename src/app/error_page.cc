#include "app/error_page.h"

namespace lumetra::shell {

std::string escapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::optional<std::string> errorPageFor(const LoadFailure& failure) {
  if (failure.kind == LoadFailure::Kind::aborted) return std::nullopt;
  if (failure.kind == LoadFailure::Kind::unknownScheme && failure.frameUrl.starts_with("spotify:")) {
    return std::nullopt;
  }
  // URL and text come from the page: unescaped they would let a link inject
  // markup and script into the error page.
  return "<html><body bgcolor=\"white\"><h2>Failed to load URL " + escapeHtml(failure.failedUrl) + " with error " +
         escapeHtml(failure.text) + " (" + std::to_string(failure.code) + ").</h2></body></html>";
}

std::string describeExpectedCertificate(const CertificateRefusal& refusal) {
  if (refusal.expected.empty()) return refusal.basis;
  std::string expected;
  for (const std::string& fingerprint : refusal.expected) expected += (expected.empty() ? "" : ", ") + fingerprint;
  return expected + " (" + refusal.basis + ")";
}

// Staff read the heading; whoever keeps the till reads the rest. The host
// and address come from the page, so they are escaped like the rest.
std::string certificateRefusedPage(const CertificateRefusal& refusal) {
  return "<html><head><meta charset=\"utf-8\"><title>证书不符</title></head><body bgcolor=\"white\">\n"
         "<h2>证书不符，页面未打开。请联系维护人员。</h2>\n"
         "<p>The certificate of " +
         escapeHtml(refusal.host) + " was refused: it is not the one this till expects.</p>\n<p>Expected SHA-256: " +
         escapeHtml(describeExpectedCertificate(refusal)) +
         "</p>\n<p>Presented SHA-256: " + escapeHtml(refusal.presented) +
         "</p>\n<p>Address: " + escapeHtml(refusal.url) + "</p>\n</body></html>";
}

}  // namespace lumetra::shell
