// Certificates as someone on the shop's network would present them: https
// servers on loopback with self-signed certificates made for another name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/tls_server.h"

namespace lumetra::e2e {
namespace {

constexpr const char* kCertificateName = "not-the-shop.invalid";
constexpr const char* kWhy = "(unknown authority, made for another host)";
constexpr const char* kPinnedBasis = "(pinned at its first use in certificates.pinned)";

// The till's page embeds a frame of another host. Once the test has put
// another certificate on the till's own address, a window of the page's
// origin shows what the till makes of it, and the page reads it out.
constexpr const char* kTill = R"(<!doctype html><html><head><meta charset="utf-8"><title>Velmora</title></head>
<body><iframe src="FRAME"></iframe><script>
console.log('till functions: ' + typeof window.printTask);
let popup = null, tries = 0;
const timer = setInterval(() => {
  const body = popup && popup.document && popup.document.body;
  if (body && body.textContent.includes('SHA-256')) {
    clearInterval(timer);
    console.log('refused page: ' + body.textContent);
    return;
  }
  popup = window.open('/changed.html?' + tries++, 'changed');
}, 500);
</script></body></html>)";
constexpr const char* kFrame = "<!doctype html><script>console.log('frame loaded')</script>";

// Two https servers, each with a certificate of its own: the till's on
// 127.0.0.1, another host's on 127.0.0.2.
class CertificateTest : public ::testing::Test {
 protected:
  CertificateTest()
      : till_(makeSelfSignedCertificate(site_.path(), "till", kCertificateName)),
        other_(makeSelfSignedCertificate(site_.path(), "other", kCertificateName)),
        frameServer_("127.0.0.2", other_, site_.path()) {
    std::string page = kTill;
    page.replace(page.find("FRAME"), 5, frameServer_.url("/frame.html"));
    site_.write("till.html", page);
    site_.write("frame.html", kFrame);
    site_.write("changed.html", "<!doctype html><p>the page of whoever holds the address now</p>");
    tillServer_ = std::make_unique<TlsServer>("127.0.0.1", till_, site_.path());
  }

  void writeSettings(const std::string& text) const { std::ofstream(home_.directory() / "etc-lumetra.conf") << text; }
  std::filesystem::path pinFile() const { return home_.directory() / "certificates.pinned"; }
  std::string tillUrl() const { return tillServer_->url("/till.html"); }

  test::TempDir site_;
  TestCertificate till_, other_;
  TlsServer frameServer_;
  std::unique_ptr<TlsServer> tillServer_;
  XServer x_{{.windowManager = false}};
  ShellHome home_;
};

// The default: each host's first certificate is pinned and its pages load,
// the frame's after the page is loaded again with it allowed; a different
// certificate on the same address later is refused, in the running till and
// after a restart.
TEST_F(CertificateTest, FirstCertificatesArePinnedAndAChangedOneIsRefusedWithTheRefusalPage) {
  {
    Shell shell(x_, home_, {.startPage = tillUrl()});
    ASSERT_TRUE(home_.waitForConsole("frame loaded")) << home_.consoleText() << shell.errors();
    EXPECT_TRUE(home_.waitForConsole("till functions: function"));
    const std::string errors = shell.errors();
    EXPECT_NE(errors.find("lumetra: pinned the certificate of 127.0.0.1 " + std::string(kWhy) +
                          " at its first use, for " + tillUrl() + ": SHA-256 " + till_.fingerprint + "\n"),
              std::string::npos)
        << errors;
    EXPECT_NE(
        errors.find("lumetra: pinned the certificate of 127.0.0.2 " + std::string(kWhy) + " at its first use, for " +
                    frameServer_.url("/frame.html") + ": SHA-256 " + other_.fingerprint + "\n"),
        std::string::npos)
        << errors;
    const std::string pins = readText(pinFile());
    EXPECT_TRUE(pins.ends_with("[pinned_certificates]\n127.0.0.1 = " + till_.fingerprint +
                               "\n127.0.0.2 = " + other_.fingerprint + "\n"))
        << pins;
    struct stat status {};
    ASSERT_EQ(::stat(pinFile().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    // Someone else answers on the till's address, with the other certificate.
    const int port = tillServer_->port();
    tillServer_.reset();
    tillServer_ = std::make_unique<TlsServer>("127.0.0.1", other_, site_.path(), port);
    ASSERT_TRUE(home_.waitForConsole("refused page: ")) << home_.consoleText() << shell.errors();
    const std::string log = home_.consoleText();
    const std::string page = log.substr(log.find("refused page: "));
    EXPECT_NE(page.find("证书不符，页面未打开。请联系维护人员。\n"
                        "The certificate of 127.0.0.1 was refused: it is not the one this till expects.\n"
                        "Expected SHA-256: " +
                        till_.fingerprint + " " + kPinnedBasis + "\nPresented SHA-256: " + other_.fingerprint +
                        "\nAddress: " + tillServer_->url("/changed.html?")),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("the page of whoever holds the address now"), std::string::npos);
    EXPECT_NE(shell.errors().find("lumetra: certificate of 127.0.0.1 " + std::string(kWhy) + " refused for " +
                                  tillServer_->url("/changed.html?")),
              std::string::npos)
        << shell.errors();
    EXPECT_NE(shell.errors().find(": presented SHA-256 " + other_.fingerprint + ", expected " + till_.fingerprint +
                                  " " + kPinnedBasis + "\n"),
              std::string::npos);
    EXPECT_NE(
        shell.errors().find("lumetra: printer notice [安全提醒：127.0.0.1 的证书不符，已拒绝连接，请联系维护人员]"),
        std::string::npos);
    EXPECT_EQ(readText(pinFile()), pins);
  }
  Shell restarted(x_, home_, {.startPage = tillUrl()});
  const std::string refused = "lumetra: certificate of 127.0.0.1 " + std::string(kWhy) + " refused for " + tillUrl() +
                              ": presented SHA-256 " + other_.fingerprint + ", expected " + till_.fingerprint + " " +
                              kPinnedBasis + "\n";
  ASSERT_TRUE(eventually([&] { return restarted.errors().find(refused) != std::string::npos; })) << restarted.errors();
  EXPECT_EQ(home_.consoleText().find("till functions: function", home_.consoleText().find("refused page: ")),
            std::string::npos);
}

// The vendor's list alone: the till's listed certificate loads, the
// frame's unlisted one is refused, and nothing is pinned.
TEST_F(CertificateTest, VerifyAcceptsListedCertificatesOnlyAndPinsNothing) {
  writeSettings("[security]\ncertificates = verify\n[pinned_certificates]\n127.0.0.1 = " + till_.fingerprint + "\n");
  Shell shell(x_, home_, {.startPage = tillUrl()});
  const std::string refused = "lumetra: certificate of 127.0.0.2 " + std::string(kWhy) + " refused for " +
                              frameServer_.url("/frame.html") + ": presented SHA-256 " + other_.fingerprint +
                              ", expected none: certificates = verify, and the host is not listed in "
                              "[pinned_certificates]\n";
  ASSERT_TRUE(eventually([&] { return shell.errors().find(refused) != std::string::npos; })) << shell.errors();
  ASSERT_TRUE(home_.waitForConsole("till functions: function")) << shell.errors();
  EXPECT_EQ(home_.consoleText().find("frame loaded"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(pinFile()));
}

// The old behaviour, chosen explicitly: every certificate, unchecked.
TEST_F(CertificateTest, AcceptAnyLoadsEveryCertificateUnchecked) {
  writeSettings("[security]\ncertificates = accept-any\n");
  Shell shell(x_, home_, {.startPage = tillUrl()});
  ASSERT_TRUE(home_.waitForConsole("frame loaded")) << shell.errors();
  EXPECT_TRUE(home_.waitForConsole("till functions: function"));
  EXPECT_EQ(shell.errors().find("certificate of"), std::string::npos) << shell.errors();
  EXPECT_FALSE(std::filesystem::exists(pinFile()));
}

}  // namespace
}  // namespace lumetra::e2e
