#include "app/certificate_guard.h"

#include <utility>

#include "app/printer_notice.h"
#include "base/log.h"

namespace lumetra::shell {
namespace {

constexpr const char* kGuardKey = "lumetra-certificate-guard";
// A page chooses its addresses: stderr gets no more of one than this.
constexpr std::size_t kMostLoggedUrlCharacters = 512;

std::string loggedUrl(const std::string& url) {
  return url.size() <= kMostLoggedUrlCharacters ? url : url.substr(0, kMostLoggedUrlCharacters) + "...";
}

std::string hostOf(const std::string& url) {
  g_autoptr(GUri) uri = g_uri_parse(url.c_str(), G_URI_FLAGS_NONE, nullptr);
  const char* host = uri ? g_uri_get_host(uri) : nullptr;
  return host ? host : "";
}

// SHA-256 of the certificate's DER encoding.
std::string fingerprintOf(GTlsCertificate* certificate) {
  GByteArray* der = nullptr;
  g_object_get(certificate, "certificate", &der, nullptr);
  if (!der) return {};
  g_autoptr(GChecksum) checksum = g_checksum_new(G_CHECKSUM_SHA256);
  g_checksum_update(checksum, der->data, der->len);
  g_byte_array_unref(der);
  return normaliseFingerprint(g_checksum_get_string(checksum)).value_or("");
}

// Why the system's authorities do not vouch for it, for whoever reads stderr.
std::string describeErrors(GTlsCertificateFlags errors) {
  static constexpr std::pair<GTlsCertificateFlags, const char*> kReasons[] = {
      {G_TLS_CERTIFICATE_UNKNOWN_CA, "unknown authority"},
      {G_TLS_CERTIFICATE_BAD_IDENTITY, "made for another host"},
      {G_TLS_CERTIFICATE_NOT_ACTIVATED, "not valid yet"},
      {G_TLS_CERTIFICATE_EXPIRED, "expired"},
      {G_TLS_CERTIFICATE_REVOKED, "revoked"},
      {G_TLS_CERTIFICATE_INSECURE, "insecure algorithm"},
      {G_TLS_CERTIFICATE_GENERIC_ERROR, "unverifiable"}};
  std::string text;
  for (const auto& [flag, reason] : kReasons) {
    if (errors & flag) text += (text.empty() ? "" : ", ") + std::string(reason);
  }
  return text;
}

}  // namespace

CertificateGuard::CertificateGuard(WebKitWebContext* context, CertificateJudge judge, PrinterNoticeWindow& notice)
    : context_(context), judge_(std::move(judge)), notice_(notice) {}

void CertificateGuard::watch(WebKitWebView* view) {
  g_object_set_data(G_OBJECT(view), kGuardKey, this);
  g_signal_connect(view, "load-failed-with-tls-errors", G_CALLBACK(onLoadFailedWithTlsErrors), this);
  g_signal_connect(view, "resource-load-started", G_CALLBACK(onResourceLoadStarted), nullptr);
}

CertificateGuard::Decision CertificateGuard::decide(const std::string& url, GTlsCertificate* certificate,
                                                    GTlsCertificateFlags errors, CertificateRefusal& refusal) {
  refusal = {url, hostOf(url), fingerprintOf(certificate), {}, {}};
  if (refusal.host.empty() || refusal.presented.empty()) {
    refusal.basis = "none: the certificate or its host cannot be read";
    logf(LogLevel::error, "certificate refused for %s: %s", loggedUrl(url).c_str(), refusal.basis.c_str());
    return Decision::refused;
  }
  const CertificateVerdict verdict = judge_.judge(refusal.host, refusal.presented);
  if (verdict.outcome == CertificateVerdict::Outcome::refused) {
    refusal.expected = verdict.expected;
    refusal.basis = verdict.basis;
    if (verdict.firstInRun) {
      logf(LogLevel::error, "certificate of %s (%s) refused for %s: presented SHA-256 %s, expected %s",
           refusal.host.c_str(), describeErrors(errors).c_str(), loggedUrl(url).c_str(), refusal.presented.c_str(),
           describeExpectedCertificate(refusal).c_str());
      notice_.addAlert(certificateRefusedNotice(refusal.host));
    }
    return Decision::refused;
  }
  if (!verdict.firstInRun) return Decision::allowedBefore;
  if (verdict.outcome == CertificateVerdict::Outcome::pinned) {
    logf(LogLevel::notice, "pinned the certificate of %s (%s) at its first use, for %s: SHA-256 %s",
         refusal.host.c_str(), describeErrors(errors).c_str(), loggedUrl(url).c_str(), refusal.presented.c_str());
  }
  webkit_web_context_allow_tls_certificate_for_host(context_, certificate, refusal.host.c_str());
  return Decision::allowedNow;
}

gboolean CertificateGuard::onLoadFailedWithTlsErrors(WebKitWebView* view, const char* uri, GTlsCertificate* certificate,
                                                     GTlsCertificateFlags errors, gpointer guard) {
  CertificateRefusal refusal;
  switch (static_cast<CertificateGuard*>(guard)->decide(uri ? uri : "", certificate, errors, refusal)) {
    case Decision::allowedNow:
      webkit_web_view_load_uri(view, uri);
      return TRUE;
    case Decision::allowedBefore:
      return FALSE;  // the ordinary error page
    case Decision::refused:
      webkit_web_view_load_alternate_html(view, certificateRefusedPage(refusal).c_str(), uri, nullptr);
      return TRUE;
  }
  return FALSE;
}

void CertificateGuard::onResourceLoadStarted(WebKitWebView* view, WebKitWebResource* resource, WebKitURIRequest*,
                                             gpointer) {
  // Connected for the view's life only: a resource may outlive it.
  g_signal_connect_object(resource, "failed-with-tls-errors", G_CALLBACK(onResourceFailedWithTlsErrors), view,
                          GConnectFlags{});
}

void CertificateGuard::onResourceFailedWithTlsErrors(WebKitWebResource* resource, GTlsCertificate* certificate,
                                                     GTlsCertificateFlags errors, gpointer viewPointer) {
  auto* view = WEBKIT_WEB_VIEW(viewPointer);
  // The main frame's failure has its own signal, which shows the page.
  if (resource == webkit_web_view_get_main_resource(view)) return;
  auto* guard = static_cast<CertificateGuard*>(g_object_get_data(G_OBJECT(view), kGuardKey));
  const char* uri = webkit_web_resource_get_uri(resource);
  CertificateRefusal refusal;
  if (guard && guard->decide(uri ? uri : "", certificate, errors, refusal) == Decision::allowedNow) {
    webkit_web_view_reload(view);
  }
}

}  // namespace lumetra::shell
