// The threads that serve connections, one connection per thread at a time (limits.h bounds them).
//
// A new connection goes to the thread that became idle last: its stack and its share of the
// allocator are still in the processor's caches, where the thread idle longest has lost them. Threads
// are started as connections need them, so a server with few clients keeps few threads.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace verolin::server {

class WorkerPool final : public httplib::TaskQueue {
 public:
  // At most `threads` threads; jobs beyond them wait in arrival order.
  explicit WorkerPool(std::size_t threads);
  ~WorkerPool() override;
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  void enqueue(std::function<void()> job) override;
  // Runs the jobs still waiting, then ends every thread; returns when they have ended.
  void shutdown() override;

  // Threads started so far, and those waiting for a job now.
  std::size_t threads() const;
  std::size_t idle() const;

 private:
  struct Worker {
    std::thread thread;
    std::condition_variable wake;
    std::function<void()> job;
  };
  void run(Worker& worker);

  const std::size_t limit_;
  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<Worker*> idle_;  // the one idle last on top
  std::deque<std::function<void()>> waiting_;
  bool stopping_ = false;
};

}  // namespace verolin::server
