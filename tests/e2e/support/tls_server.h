#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace lumetra::e2e {

// A self-signed certificate made for the test, as someone on the shop's
// network would make one, with its key.
struct TestCertificate {
  std::filesystem::path certificate;
  std::filesystem::path key;
  std::string fingerprint;  // SHA-256, "AB:CD:..."
};

// Makes one for `name` (no authority the system knows vouches for it) as
// STEM.pem and STEM.key in `folder`, with the openssl command.
TestCertificate makeSelfSignedCertificate(const std::filesystem::path& folder, const std::string& stem,
                                          const std::string& name);

// An https server on a loopback address (openssl's s_server) serving the
// files of `root` with `certificate`, on `port` (0: one the system picks).
// Stopped at the end.
class TlsServer {
 public:
  TlsServer(const std::string& address, const TestCertificate& certificate, const std::filesystem::path& root,
            int port = 0);
  ~TlsServer();
  TlsServer(const TlsServer&) = delete;
  TlsServer& operator=(const TlsServer&) = delete;

  int port() const { return port_; }
  std::string url(const std::string& path) const;

 private:
  std::string address_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace lumetra::e2e
