#pragma once

#include <webkit2/webkit2.h>

#include <string>

#include "app/certificate_judge.h"
#include "app/error_page.h"
#include "app/printer_notice_window.h"

namespace lumetra::shell {

// Puts the certificate judge between every view and the servers it loads
// from. The web context fails loads on certificate errors
// (web_context.cc), so only certificates that the system's authorities do
// not vouch for come here: a main frame's (the till's page, a popup's)
// through its view's "load-failed-with-tls-errors", any other resource's
// (frames, scripts, requests) through the resource's own signal.
//
// An accepted certificate is allowed for its host alone, as that exact
// certificate, in the context every view shares; the load that met it is
// then made again: a main frame's is loaded anew, a view whose resource
// failed is reloaded, once. A refused one is reported on stderr and in
// the staff's notice; a main frame shows the refusal page instead of the
// page. Everything runs on the GTK main thread.
class CertificateGuard {
 public:
  CertificateGuard(WebKitWebContext* context, CertificateJudge judge, PrinterNoticeWindow& notice);
  CertificateGuard(const CertificateGuard&) = delete;
  CertificateGuard& operator=(const CertificateGuard&) = delete;

  void watch(WebKitWebView* view);

 private:
  enum class Decision {
    allowedNow,     // accepted and allowed just now: load again
    allowedBefore,  // accepted, but allowed already and failing still: loading again would never end
    refused,
  };
  Decision decide(const std::string& url, GTlsCertificate* certificate, GTlsCertificateFlags errors,
                  CertificateRefusal& refusal);

  static gboolean onLoadFailedWithTlsErrors(WebKitWebView* view, const char* uri, GTlsCertificate* certificate,
                                            GTlsCertificateFlags errors, gpointer guard);
  static void onResourceLoadStarted(WebKitWebView* view, WebKitWebResource* resource, WebKitURIRequest* request,
                                    gpointer);
  static void onResourceFailedWithTlsErrors(WebKitWebResource* resource, GTlsCertificate* certificate,
                                            GTlsCertificateFlags errors, gpointer view);

  WebKitWebContext* context_;
  CertificateJudge judge_;
  PrinterNoticeWindow& notice_;
};

}  // namespace lumetra::shell
