#include "server/worker_pool.h"

namespace verolin::server {

WorkerPool::WorkerPool(std::size_t threads) : limit_(threads) {}

WorkerPool::~WorkerPool() {
  shutdown();
}

void WorkerPool::enqueue(std::function<void()> job) {
  std::unique_lock lock(mutex_);
  if (!idle_.empty()) {
    Worker* worker = idle_.back();
    idle_.pop_back();
    worker->job = std::move(job);
    lock.unlock();
    worker->wake.notify_one();
    return;
  }
  if (workers_.size() < limit_ && !stopping_) {
    auto worker = std::make_unique<Worker>();
    worker->job = std::move(job);
    Worker* started = worker.get();
    workers_.push_back(std::move(worker));
    started->thread = std::thread([this, started] { run(*started); });
    return;
  }
  waiting_.push_back(std::move(job));
}

void WorkerPool::run(Worker& worker) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!worker.job) {
      if (!waiting_.empty()) {
        worker.job = std::move(waiting_.front());
        waiting_.pop_front();
      } else if (stopping_) {
        return;
      } else {
        idle_.push_back(&worker);
        worker.wake.wait(lock, [&] { return worker.job || stopping_; });
        if (!worker.job) continue;  // stopping: what still waits is run first
      }
    }
    std::function<void()> job = std::move(worker.job);
    worker.job = nullptr;
    lock.unlock();
    job();
    job = nullptr;  // what the job holds is released outside the lock
    lock.lock();
  }
}

void WorkerPool::shutdown() {
  std::vector<Worker*> all;
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
    idle_.clear();
    for (const auto& worker : workers_) all.push_back(worker.get());
  }
  for (Worker* worker : all) worker->wake.notify_one();
  for (Worker* worker : all) worker->thread.join();
}

std::size_t WorkerPool::threads() const {
  std::lock_guard lock(mutex_);
  return workers_.size();
}

std::size_t WorkerPool::idle() const {
  std::lock_guard lock(mutex_);
  return idle_.size();
}

}  // namespace verolin::server
