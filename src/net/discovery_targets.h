#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/net/network_interfaces.h"

namespace lumetra {

// The host addresses of a local subnet that a scan tries, in host byte order:
// [first, end). Wider than 32 bits so that the address after 255.255.255.255
// cannot wrap round to 0.
struct ProbeRange {
  std::uint64_t first = 0;
  std::uint64_t end = 0;

  bool contains(std::uint64_t address) const { return address >= first && address < end; }
};

// From the subnet's network address + 1 up to, not including, its broadcast
// address; the machine's own address is included. nullopt for the addresses
// a scan leaves out: 127.0.0.1 and link-local 169.254.x.y.
std::optional<ProbeRange> probeRangeOf(const platform::Ipv4InterfaceAddress& local);

// Every address to try for the machine's addresses, each once: subnets in the
// order of `locals`, ascending within each. Addresses an earlier subnet already
// covered are skipped, so two addresses on one subnet (or nested subnets) do
// not probe a host twice and list it twice.
class ProbeTargets {
 public:
  explicit ProbeTargets(const std::vector<platform::Ipv4InterfaceAddress>& locals);

  std::optional<std::uint32_t> next();

 private:
  bool coveredBeforeCurrent(std::uint64_t address) const;

  std::vector<ProbeRange> ranges_;
  std::size_t current_ = 0;
  std::uint64_t nextAddress_ = 0;
};

// "a.b.c.d" of an address in host byte order.
std::string dottedAddress(std::uint32_t address);

}  // namespace lumetra
