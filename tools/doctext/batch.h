// Runs the documents of a batch on N threads and hands their results back in
// input order. At most `window` documents are in flight or waiting to be
// written, so memory stays bounded however long the batch is.
//
// The threads write the results themselves: the one that finishes the next
// document to write writes it, and every later one already finished. No
// thread waits for another's document, and a thread is woken only when it
// has nothing to do: handing each result to a writing thread cost a wake-up
// on another processor per document, more than a small document's extraction.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace doctext {

template <typename Job, typename Result>
class OrderedBatch {
 public:
  // `work(thread, job)` runs on thread number `thread`; `emit(result)` runs on
  // one thread at a time, in the order the jobs were added. When `weigh` is
  // given, no new job starts while the finished results waiting to be written
  // weigh `maxHeld` or more (a slow document ahead of many large ones).
  OrderedBatch(unsigned threads, size_t window, std::function<Result(unsigned, Job&)> work,
               std::function<void(Result&)> emit,
               std::function<size_t(const Result&)> weigh = nullptr, size_t maxHeld = 0)
      : window_(window ? window : 1),
        maxHeld_(weigh ? maxHeld : static_cast<size_t>(-1)),
        work_(std::move(work)),
        emit_(std::move(emit)),
        weigh_(std::move(weigh)) {
    for (unsigned t = 0; t < threads; ++t) threads_.emplace_back([this, t] { Worker(t); });
  }
  ~OrderedBatch() { Finish(); }
  OrderedBatch(const OrderedBatch&) = delete;
  OrderedBatch& operator=(const OrderedBatch&) = delete;

  // Queues a job. While the window is full it waits until half of it has
  // been written: one wake-up for many documents, not one for each.
  void Add(Job job) {
    bool wake;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (added_ - emitted_ >= window_) {
        adder_waits_ = true;
        space_.wait(lock, [&] { return added_ - emitted_ <= window_ / 2; });
        adder_waits_ = false;
      }
      queue_.push_back({added_++, std::move(job)});
      wake = idle_ > 0;  // busy threads look at the queue before they wait
    }
    if (wake) work_ready_.notify_one();
  }

  // Writes every remaining result and ends the threads.
  void Finish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closed_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

 private:
  void Worker(unsigned thread) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ++idle_;
      // While too much waits to be written, the document next in order is
      // being read by another thread (so it will be written and free room).
      work_ready_.wait(lock, [&] { return closed_ || (!queue_.empty() && held_ < maxHeld_); });
      --idle_;
      if (queue_.empty()) return;  // closed and nothing left
      std::pair<size_t, Job> item = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      Result result = work_(thread, item.second);
      const size_t weight = weigh_ ? weigh_(result) : 0;
      lock.lock();
      done_.emplace(item.first, std::make_pair(std::move(result), weight));
      held_ += weight;
      EmitReady(lock);
    }
  }

  // Writes the finished results that are next in order, outside the lock;
  // results finished meanwhile by other threads are written too. A result is
  // taken out before it is written and the count moves on only after, so no
  // other thread finds the next one meanwhile: one thread writes at a time.
  void EmitReady(std::unique_lock<std::mutex>& lock) {
    const bool full = held_ >= maxHeld_;
    for (auto it = done_.find(emitted_); it != done_.end(); it = done_.find(emitted_)) {
      Result result = std::move(it->second.first);
      held_ -= it->second.second;
      done_.erase(it);
      lock.unlock();
      emit_(result);
      lock.lock();
      ++emitted_;
    }
    if (adder_waits_ && added_ - emitted_ <= window_ / 2) space_.notify_one();
    if (full && held_ < maxHeld_ && idle_ > 0) work_ready_.notify_all();
  }

  const size_t window_;
  const size_t maxHeld_;
  std::function<Result(unsigned, Job&)> work_;
  std::function<void(Result&)> emit_;
  std::function<size_t(const Result&)> weigh_;
  std::mutex mutex_;
  std::condition_variable work_ready_, space_;
  std::deque<std::pair<size_t, Job>> queue_;
  std::map<size_t, std::pair<Result, size_t>> done_;  // with its weight
  size_t held_ = 0;                                   // weight of done_
  bool closed_ = false;
  bool adder_waits_ = false;  // the adding thread waits for the window
  unsigned idle_ = 0;         // threads waiting for a job
  size_t added_ = 0, emitted_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace doctext
