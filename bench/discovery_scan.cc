// One printer discovery scan from the current network namespace, timed:
// prints "FOUND SECONDS". bench/discovery.sh runs it inside namespaces it
// builds and samples its threads and descriptors meanwhile.
#include <chrono>
#include <cstdio>
#include <exception>

#include "net/discovery.h"
#include "support/network_namespace.h"

int main() {
  try {
    lumetra::test::requireOnlyTestSubnets();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "discovery_scan: %s\n", error.what());
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  lumetra::platform::StderrDialogs dialogs;
  const auto found = lumetra::discoverNetworkPrinters(dialogs);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (!found) return 1;
  std::printf("%zu %.3f\n", found->size(), took.count());
  return 0;
}
