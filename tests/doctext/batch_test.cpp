// The ordered batch under uneven document times: every result written once,
// in input order, by one thread at a time, with the window respected.
#include "tools/doctext/batch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

TEST(OrderedBatch, WritesInInputOrderOneAtATimeWithinTheWindow) {
  for (unsigned threads : {1u, 2u, 3u}) {
    for (size_t window : {size_t(1), size_t(8)}) {
      std::atomic<size_t> started{0}, emitted{0};
      std::atomic<int> writing{0};
      std::atomic<bool> overlapped{false}, overfull{false};
      std::vector<int> order;
      {
        doctext::OrderedBatch<int, int> batch(
            threads, window,
            [&](unsigned, int& job) {
              if (++started - emitted.load() > window) overfull = true;
              // Later jobs often finish first.
              std::this_thread::sleep_for(std::chrono::microseconds((job * 7919) % 300));
              return job;
            },
            [&](int& result) {
              if (++writing != 1) overlapped = true;
              // A slow write now and then, while other documents finish.
              if (result % 5 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
              order.push_back(result);
              ++emitted;
              --writing;
            });
        for (int i = 0; i < 300; ++i) batch.Add(i);
        batch.Finish();
      }
      ASSERT_EQ(order.size(), 300u) << threads << " threads, window " << window;
      for (int i = 0; i < 300; ++i) ASSERT_EQ(order[i], i);
      EXPECT_FALSE(overlapped) << threads << " threads, window " << window;
      EXPECT_FALSE(overfull) << threads << " threads, window " << window;
    }
  }
}

TEST(OrderedBatch, FinishedResultsWaitingToBeWrittenAreHeldToTheirLimit) {
  // The first document is slow; the others finish at once and weigh 1 each.
  // Without the limit the other thread would read the whole window meanwhile.
  std::atomic<size_t> emitted{0}, startedMeanwhile{0};
  std::vector<int> order;
  {
    doctext::OrderedBatch<int, int> batch(
        2, 64,
        [&](unsigned, int& job) {
          if (job == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
          } else if (emitted == 0) {
            ++startedMeanwhile;
          }
          return job;
        },
        [&](int& result) {
          order.push_back(result);
          ++emitted;
        },
        [](const int&) { return size_t(1); }, 5);
    for (int i = 0; i < 200; ++i) batch.Add(i);
    batch.Finish();
  }
  ASSERT_EQ(order.size(), 200u);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(order[i], i);
  EXPECT_LE(startedMeanwhile.load(), 6u);  // five held, one more read as the limit was reached
}

}  // namespace
