#include "delivery/delivery.h"

#include "delivery/network_delivery.h"
#include "delivery/spooler_delivery.h"

namespace lumetra {

Delivery::Delivery(Outbox& outbox, platform::Spooler& spooler) : outbox_(outbox), spooler_(spooler) {}

Delivery::~Delivery() { stop(); }

void Delivery::start(const DeliveryTimings& timings, BacklogListener listener) {
  if (network_) return;
  network_ = std::make_unique<NetworkDelivery>(outbox_, board_, timings, std::move(listener));
  spooled_ = std::make_unique<SpoolerDelivery>(outbox_, board_, spooler_, timings,
                                               [network = network_.get()] { network->wake(); });
  networkThread_ = std::jthread([network = network_.get()](std::stop_token stop) { network->run(stop); });
  spoolerThread_ = std::jthread([spooled = spooled_.get()](std::stop_token stop) { spooled->run(stop); });
}

void Delivery::handOver(std::vector<Ticket> tickets) {
  board_.refused(outbox_.handOver(std::move(tickets)));
  wake();
}

void Delivery::wake() {
  if (!network_) return;
  network_->wake();
  spooled_->wake();
}

void Delivery::stop() {
  // The spooler's thread wakes the network thread: it goes first.
  spoolerThread_ = std::jthread();
  networkThread_ = std::jthread();
}

}  // namespace lumetra
