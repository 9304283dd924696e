// The threads that serve connections: every job runs, the thread idle last takes the next one, and
// a stop runs what still waits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>

#include "server/worker_pool.h"

namespace verolin::server {
namespace {

using namespace std::chrono_literals;

bool eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 1000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return condition();
}

TEST(WorkerPool, StartsThreadsOnlyAsJobsNeedThemAndReusesTheOneIdleLast) {
  WorkerPool pool(8);
  EXPECT_EQ(pool.threads(), 0u);
  std::set<std::thread::id> ran;
  for (int i = 0; i < 5; ++i) {
    std::promise<std::thread::id> done;
    pool.enqueue([&done] { done.set_value(std::this_thread::get_id()); });
    ran.insert(done.get_future().get());
    ASSERT_TRUE(eventually([&] { return pool.idle() == pool.threads(); }));
  }
  // One job at a time: one thread did them all.
  EXPECT_EQ(pool.threads(), 1u);
  EXPECT_EQ(ran.size(), 1u);

  // Two busy, then the second to finish is the one that takes the next job.
  std::promise<void> releaseFirst, releaseSecond;
  std::promise<std::thread::id> first, second;
  auto a = releaseFirst.get_future().share();
  auto b = releaseSecond.get_future().share();
  pool.enqueue([&first, a] {
    first.set_value(std::this_thread::get_id());
    a.wait();
  });
  pool.enqueue([&second, b] {
    second.set_value(std::this_thread::get_id());
    b.wait();
  });
  const auto firstId = first.get_future().get();
  const auto secondId = second.get_future().get();
  releaseFirst.set_value();
  ASSERT_TRUE(eventually([&] { return pool.idle() == 1; }));
  releaseSecond.set_value();
  ASSERT_TRUE(eventually([&] { return pool.idle() == 2; }));
  std::promise<std::thread::id> next;
  pool.enqueue([&next] { next.set_value(std::this_thread::get_id()); });
  EXPECT_EQ(next.get_future().get(), secondId);
  EXPECT_NE(firstId, secondId);
  EXPECT_EQ(pool.threads(), 2u);
}

TEST(WorkerPool, JobsBeyondTheThreadsWaitAndAStopRunsThemAll) {
  std::atomic<int> done{0};
  std::promise<void> release;
  auto gate = release.get_future().share();
  {
    WorkerPool pool(2);
    for (int i = 0; i < 50; ++i) {
      pool.enqueue([&done, gate] {
        gate.wait();
        ++done;
      });
    }
    EXPECT_EQ(pool.threads(), 2u);
    release.set_value();
    pool.shutdown();
    EXPECT_EQ(done, 50);
    pool.shutdown();  // a second stop changes nothing
  }
  EXPECT_EQ(done, 50);
}

}  // namespace
}  // namespace verolin::server
