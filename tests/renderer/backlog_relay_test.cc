#include "renderer/backlog_relay.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace lumetra {
namespace {

BacklogReport backlogOf(std::size_t waiting) { return {{{"127.0.0.2", waiting, 1700000000, Trouble::unanswered}}, {}}; }

TEST(BacklogRelayTest, ListsPostedBeforeTheMainThreadTakesFoldIntoTheNewestWithOneWakeUp) {
  BacklogRelay relay;
  EXPECT_FALSE(relay.take());
  EXPECT_TRUE(relay.post(backlogOf(1)));
  EXPECT_FALSE(relay.post(backlogOf(2)));
  EXPECT_FALSE(relay.post({}));
  const auto newest = relay.take();
  ASSERT_TRUE(newest);
  EXPECT_TRUE(newest->printers.empty());
  EXPECT_FALSE(relay.take());

  // Taken (also when there was nothing): the next change wakes again.
  EXPECT_TRUE(relay.post(backlogOf(3)));
  ASSERT_TRUE(relay.take());
  EXPECT_FALSE(relay.take());
  EXPECT_TRUE(relay.post(backlogOf(4)));
}

// A change of the printers' states shares the wake-up of a list; one that
// comes after the list was taken wakes the main thread again.
TEST(BacklogRelayTest, AStatesChangeSharesTheWakeUpOfAListAndIsTakenOnce) {
  BacklogRelay relay;
  EXPECT_FALSE(relay.takeStatesChanged());
  EXPECT_TRUE(relay.post(backlogOf(1)));
  EXPECT_FALSE(relay.postStatesChanged());
  ASSERT_TRUE(relay.take());
  EXPECT_TRUE(relay.takeStatesChanged());
  EXPECT_FALSE(relay.takeStatesChanged());

  EXPECT_TRUE(relay.postStatesChanged());
  EXPECT_FALSE(relay.post(backlogOf(2)));
  EXPECT_FALSE(relay.postStatesChanged());
  EXPECT_TRUE(relay.take());
  EXPECT_TRUE(relay.postStatesChanged());  // after the take: woken again
  EXPECT_TRUE(relay.takeStatesChanged());
}

// Whatever the interleaving, the main thread ends with the last list and
// never sees an older one after a newer.
TEST(BacklogRelayTest, TheMainThreadEndsWithTheLastListWhileTheDeliveryThreadKeepsPosting) {
  BacklogRelay relay;
  constexpr std::size_t kLists = 20000;
  std::atomic<std::size_t> wakeUps{0};
  std::atomic<bool> posted{false};
  std::thread delivery([&] {
    for (std::size_t waiting = 1; waiting <= kLists; ++waiting) {
      if (relay.post(backlogOf(waiting))) ++wakeUps;
    }
    posted = true;
  });
  std::size_t seen = 0;
  std::size_t taken = 0;
  for (;;) {
    const bool finished = posted.load();
    if (wakeUps.load() == taken) {
      if (finished) break;
      continue;
    }
    ++taken;
    const auto list = relay.take();
    if (!list) continue;
    ASSERT_EQ(list->printers.size(), 1u);
    ASSERT_GT(list->printers.front().waiting, seen);
    seen = list->printers.front().waiting;
  }
  delivery.join();
  EXPECT_EQ(seen, kLists);
}

}  // namespace
}  // namespace lumetra
