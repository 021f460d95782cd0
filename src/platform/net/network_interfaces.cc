#include "platform/net/network_interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <memory>

namespace lumetra::platform {
namespace {

std::uint32_t hostOrder(const sockaddr* address) {
  return ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
}

}  // namespace

std::optional<std::vector<Ipv4InterfaceAddress>> localIpv4Addresses() {
  ifaddrs* raw = nullptr;
  if (getifaddrs(&raw) != 0) return std::nullopt;
  const std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> list(raw, &freeifaddrs);
  std::vector<Ipv4InterfaceAddress> addresses;
  for (const ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !entry->ifa_netmask) continue;
    addresses.push_back({hostOrder(entry->ifa_addr), hostOrder(entry->ifa_netmask)});
  }
  return addresses;
}

}  // namespace lumetra::platform
