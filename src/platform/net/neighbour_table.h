#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

namespace lumetra::platform {

// What the kernel's IPv4 neighbour (ARP) table allows. Every connection
// attempt to an address on a local subnet needs an entry there until the
// address answers or the kernel gives up on it; the table is shared by the
// whole machine, every network namespace included.
struct NeighbourTableLimits {
  // Entries beyond which the kernel refuses new ones (gc_thresh3): packets to
  // an address it cannot add are dropped.
  std::size_t capacity = 0;
  // How long an address that never answers holds its entry: the kernel's
  // solicitations times the interval between them, the longest over the
  // table's defaults and every interface of this namespace.
  std::chrono::milliseconds unresolvedLifetime{0};
};

// The limits as the kernel reports them over rtnetlink (readable without
// privileges, also inside a network namespace); nullopt when they cannot be
// read.
std::optional<NeighbourTableLimits> ipv4NeighbourTableLimits();

}  // namespace lumetra::platform
