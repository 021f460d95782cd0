#include "net/discovery_targets.h"

namespace lumetra {
namespace {

constexpr std::uint32_t kLoopbackHost = 0x7f000001;     // 127.0.0.1
constexpr std::uint32_t kLinkLocalPrefix = 0xa9fe0000;  // 169.254.0.0/16
constexpr std::uint32_t kLinkLocalMask = 0xffff0000;

}  // namespace

std::optional<ProbeRange> probeRangeOf(const platform::Ipv4InterfaceAddress& local) {
  if (local.address == kLoopbackHost || (local.address & kLinkLocalMask) == kLinkLocalPrefix) {
    return std::nullopt;
  }
  const std::uint64_t network = local.address & local.netmask;
  const std::uint64_t broadcast = local.address | ~local.netmask;
  return ProbeRange{network + 1, broadcast};
}

ProbeTargets::ProbeTargets(const std::vector<platform::Ipv4InterfaceAddress>& locals) {
  for (const platform::Ipv4InterfaceAddress& local : locals) {
    if (const std::optional<ProbeRange> range = probeRangeOf(local)) ranges_.push_back(*range);
  }
  if (!ranges_.empty()) nextAddress_ = ranges_.front().first;
}

std::optional<std::uint32_t> ProbeTargets::next() {
  while (current_ < ranges_.size()) {
    if (nextAddress_ >= ranges_[current_].end) {
      if (++current_ < ranges_.size()) nextAddress_ = ranges_[current_].first;
      continue;
    }
    const std::uint64_t address = nextAddress_++;
    if (!coveredBeforeCurrent(address)) return static_cast<std::uint32_t>(address);
  }
  return std::nullopt;
}

bool ProbeTargets::coveredBeforeCurrent(std::uint64_t address) const {
  for (std::size_t i = 0; i < current_; ++i) {
    if (ranges_[i].contains(address)) return true;
  }
  return false;
}

std::string dottedAddress(std::uint32_t address) {
  return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xff) + '.' +
         std::to_string((address >> 8) & 0xff) + '.' + std::to_string(address & 0xff);
}

}  // namespace lumetra
