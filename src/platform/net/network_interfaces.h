#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace lumetra::platform {

// One IPv4 address of a local network interface, both fields in host byte
// order.
struct Ipv4InterfaceAddress {
  std::uint32_t address = 0;
  std::uint32_t netmask = 0;
};

// Every IPv4 address of the machine's interfaces (including loopback and
// interfaces that are down), in the order the kernel lists them; nullopt when
// the list cannot be read.
std::optional<std::vector<Ipv4InterfaceAddress>> localIpv4Addresses();

}  // namespace lumetra::platform
