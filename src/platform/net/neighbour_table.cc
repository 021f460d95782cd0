#include "platform/net/neighbour_table.h"

#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace lumetra::platform {
namespace {

constexpr std::string_view kIpv4TableName = "arp_cache";

// Closes the netlink socket on every return.
class NetlinkSocket {
 public:
  NetlinkSocket() : socket_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {}
  ~NetlinkSocket() {
    if (socket_ >= 0) ::close(socket_);
  }
  NetlinkSocket(const NetlinkSocket&) = delete;
  NetlinkSocket& operator=(const NetlinkSocket&) = delete;

  int get() const { return socket_; }

 private:
  int socket_;
};

bool requestTableDump(int socket) {
  struct {
    nlmsghdr header;
    ndtmsg table;
  } request{};
  request.header.nlmsg_len = sizeof request;
  request.header.nlmsg_type = RTM_GETNEIGHTBL;
  request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request.table.ndtm_family = AF_INET;
  return ::send(socket, &request, sizeof request, 0) == static_cast<ssize_t>(sizeof request);
}

template <typename Value>
Value attributeValue(const rtattr* attribute) {
  Value value{};
  std::memcpy(&value, RTA_DATA(attribute), std::min<std::size_t>(sizeof value, RTA_PAYLOAD(attribute)));
  return value;
}

// One set of parameters (the table's defaults or one interface's).
std::chrono::milliseconds unresolvedLifetimeOf(const rtattr* parameters) {
  std::uint64_t retransmitMilliseconds = 0;
  std::uint32_t solicitations = 0;
  int left = static_cast<int>(RTA_PAYLOAD(parameters));
  for (const rtattr* attribute = static_cast<const rtattr*>(RTA_DATA(parameters)); RTA_OK(attribute, left);
       attribute = RTA_NEXT(attribute, left)) {
    if (attribute->rta_type == NDTPA_RETRANS_TIME) retransmitMilliseconds = attributeValue<std::uint64_t>(attribute);
    // An unresolved address gets the multicast solicitations and, when a
    // daemon helps resolve, the application ones.
    if (attribute->rta_type == NDTPA_MCAST_PROBES || attribute->rta_type == NDTPA_APP_PROBES) {
      solicitations += attributeValue<std::uint32_t>(attribute);
    }
  }
  return std::chrono::milliseconds(retransmitMilliseconds * solicitations);
}

// Folds one message of the dump into `limits`; false when it is not the
// IPv4 table's.
bool readTableMessage(const nlmsghdr* message, NeighbourTableLimits& limits) {
  const auto* table = static_cast<const ndtmsg*>(NLMSG_DATA(message));
  if (message->nlmsg_len < NLMSG_LENGTH(sizeof *table) || table->ndtm_family != AF_INET) return false;
  int left = static_cast<int>(message->nlmsg_len - NLMSG_LENGTH(sizeof *table));
  const rtattr* attribute =
      reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(table) + NLMSG_ALIGN(sizeof *table));
  bool named = false;
  for (; RTA_OK(attribute, left); attribute = RTA_NEXT(attribute, left)) {
    if (attribute->rta_type == NDTA_NAME) {
      named = std::string_view(static_cast<const char*>(RTA_DATA(attribute))) == kIpv4TableName;
    } else if (attribute->rta_type == NDTA_THRESH3) {
      limits.capacity = attributeValue<std::uint32_t>(attribute);
    } else if (attribute->rta_type == NDTA_PARMS) {
      limits.unresolvedLifetime = std::max(limits.unresolvedLifetime, unresolvedLifetimeOf(attribute));
    }
  }
  return named;
}

}  // namespace

std::optional<NeighbourTableLimits> ipv4NeighbourTableLimits() {
  const NetlinkSocket socket;
  if (socket.get() < 0 || !requestTableDump(socket.get())) return std::nullopt;
  NeighbourTableLimits limits;
  alignas(nlmsghdr) std::array<char, 16384> buffer;
  for (;;) {
    const ssize_t got = ::recv(socket.get(), buffer.data(), buffer.size(), 0);
    if (got <= 0) return std::nullopt;
    int left = static_cast<int>(got);
    for (const auto* message = reinterpret_cast<const nlmsghdr*>(buffer.data()); NLMSG_OK(message, left);
         message = NLMSG_NEXT(message, left)) {
      if (message->nlmsg_type == NLMSG_DONE) {
        if (limits.capacity == 0 || limits.unresolvedLifetime.count() == 0) return std::nullopt;
        return limits;
      }
      if (message->nlmsg_type == NLMSG_ERROR) return std::nullopt;
      if (message->nlmsg_type == RTM_NEWNEIGHTBL) {
        NeighbourTableLimits ofMessage = limits;
        if (readTableMessage(message, ofMessage)) limits = ofMessage;
      }
    }
  }
}

}  // namespace lumetra::platform
