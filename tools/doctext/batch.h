// Runs the documents of a batch on N threads and hands their results back in
// input order. At most `window` documents are in flight or waiting to be
// written, so memory stays bounded however long the batch is.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace doctext {

template <typename Job, typename Result>
class OrderedBatch {
 public:
  // `work(thread, job)` runs on thread number `thread`; `emit(result)` runs
  // on the caller's thread, in the order the jobs were added.
  OrderedBatch(unsigned threads, size_t window, std::function<Result(unsigned, Job&)> work,
               std::function<void(Result&)> emit)
      : window_(window ? window : 1), work_(std::move(work)), emit_(std::move(emit)) {
    for (unsigned t = 0; t < threads; ++t) threads_.emplace_back([this, t] { Worker(t); });
  }
  ~OrderedBatch() { Finish(); }
  OrderedBatch(const OrderedBatch&) = delete;
  OrderedBatch& operator=(const OrderedBatch&) = delete;

  // Queues a job; first writes finished results while the window is full.
  void Add(Job job) {
    while (added_ - emitted_ >= window_) EmitNext();
    bool wake;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back({added_++, std::move(job)});
      wake = idle_ > 0;  // busy workers look at the queue before they wait
    }
    if (wake) work_ready_.notify_one();
  }

  // Writes every remaining result and ends the threads.
  void Finish() {
    while (emitted_ < added_) EmitNext();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closed_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

 private:
  void EmitNext() {
    Result result;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      waiting_for_ = emitted_;
      result_ready_.wait(lock, [&] { return done_.count(emitted_) != 0; });
      auto it = done_.find(emitted_);
      result = std::move(it->second);
      done_.erase(it);
    }
    ++emitted_;
    emit_(result);
  }

  void Worker(unsigned thread) {
    for (;;) {
      std::pair<size_t, Job> item;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ++idle_;
        work_ready_.wait(lock, [&] { return closed_ || !queue_.empty(); });
        --idle_;
        if (queue_.empty()) return;
        item = std::move(queue_.front());
        queue_.pop_front();
      }
      Result result = work_(thread, item.second);
      bool wanted;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        done_.emplace(item.first, std::move(result));
        wanted = item.first == waiting_for_;  // the caller waits for no other result
      }
      if (wanted) result_ready_.notify_one();
    }
  }

  const size_t window_;
  std::function<Result(unsigned, Job&)> work_;
  std::function<void(Result&)> emit_;
  std::mutex mutex_;
  std::condition_variable work_ready_, result_ready_;
  std::deque<std::pair<size_t, Job>> queue_;
  std::map<size_t, Result> done_;
  bool closed_ = false;
  unsigned idle_ = 0;               // workers waiting for a job
  size_t waiting_for_ = -1;         // the result the caller waits for
  size_t added_ = 0, emitted_ = 0;  // only the caller's thread touches these
  std::vector<std::thread> threads_;
};

}  // namespace doctext
