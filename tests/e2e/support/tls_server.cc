#include "e2e/support/tls_server.h"

#include <atomic>
#include <stdexcept>

#include "e2e/support/processes.h"

namespace lumetra::e2e {
namespace {

// Runs an openssl command to its end; its output.
std::string runOpenssl(const std::vector<std::string>& arguments, const std::filesystem::path& folder) {
  SpawnOptions options;
  options.arguments = {"openssl"};
  options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
  options.workingDirectory = folder;
  options.outputFile = folder / "openssl-output.txt";
  options.errorFile = folder / "openssl-errors.txt";
  if (waitForExit(spawn(options)) != 0) {
    throw std::runtime_error("openssl " + arguments.front() + " failed: " + readText(options.errorFile));
  }
  return readText(options.outputFile);
}

}  // namespace

TestCertificate makeSelfSignedCertificate(const std::filesystem::path& folder, const std::string& stem,
                                          const std::string& name) {
  TestCertificate made{folder / (stem + ".pem"), folder / (stem + ".key"), {}};
  runOpenssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "30",
              "-subj", "/CN=" + name, "-addext", "subjectAltName=DNS:" + name, "-keyout", made.key.string(), "-out",
              made.certificate.string()},
             folder);
  // "sha256 Fingerprint=AB:CD:...\n"
  const std::string printed =
      runOpenssl({"x509", "-in", made.certificate.string(), "-noout", "-fingerprint", "-sha256"}, folder);
  made.fingerprint = printed.substr(printed.find('=') + 1);
  while (!made.fingerprint.empty() && made.fingerprint.back() == '\n') made.fingerprint.pop_back();
  return made;
}

TlsServer::TlsServer(const std::string& address, const TestCertificate& certificate, const std::filesystem::path& root,
                     int port)
    : address_(address) {
  static std::atomic<int> runs{0};
  const std::filesystem::path output = root / ("s_server-" + std::to_string(runs++) + ".txt");
  SpawnOptions options;
  // -WWW: a GET of /NAME answers the file NAME of the folder it runs in.
  options.arguments = {"openssl",
                       "s_server",
                       "-WWW",
                       "-accept",
                       address + ":" + std::to_string(port),
                       "-cert",
                       certificate.certificate.string(),
                       "-key",
                       certificate.key.string()};
  options.workingDirectory = root;
  options.outputFile = output;
  pid_ = spawn(options);
  // "ACCEPT" once it listens, with ADDRESS:PORT when the system chose the port.
  std::string text;
  std::size_t accepting = std::string::npos;
  if (!eventually(
          [&] {
            text = readText(output);
            accepting = text.find("ACCEPT");
            return accepting != std::string::npos && text.find('\n', accepting) != std::string::npos;
          },
          std::chrono::seconds(30))) {
    stopProcess(pid_);
    throw std::runtime_error("openssl s_server did not listen on " + address + ": " + text);
  }
  const std::string line = text.substr(accepting, text.find('\n', accepting) - accepting);
  port_ = port != 0 ? port : std::stoi(line.substr(line.rfind(':') + 1));
}

TlsServer::~TlsServer() { stopProcess(pid_); }

std::string TlsServer::url(const std::string& path) const {
  return "https://" + address_ + ":" + std::to_string(port_) + path;
}

}  // namespace lumetra::e2e
