#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace trackfold {

// One copy handed to a worker; `done` is set under the pool's lock once `work` has run.
struct CopyTask {
    std::function<void()> work;
    bool done = false;
};

// A few threads that make copies while the walk decides the next ones. The walk still takes
// every decision and every result itself, in its own order: workers only write bytes into
// names the walk has reserved. Copies are handed over and taken a few at a time, and a worker
// wakes the walk only when it waits for one of those it has just made.
class CopyWorkers {
  public:
    explicit CopyWorkers(unsigned threads);
    ~CopyWorkers();
    CopyWorkers(const CopyWorkers&) = delete;
    CopyWorkers& operator=(const CopyWorkers&) = delete;

    unsigned threads() const { return static_cast<unsigned>(threads_.size()); }
    // Called by one thread only, the walk's.
    void submit(std::shared_ptr<CopyTask> task);
    // Returns once the task has run.
    void wait(const CopyTask& task);

    // Threads for a run on this machine: the walk and the tag reader share the cores with them,
    // and on two cores two copiers still gained over one.
    static unsigned default_threads();

  private:
    void work();
    void publish();

    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable task_done_;
    // Handed over a few at a time, to take the lock and wake a worker once for several copies.
    std::vector<std::shared_ptr<CopyTask>> staged_;
    std::deque<std::shared_ptr<CopyTask>> queue_;
    const CopyTask* waited_ = nullptr;
    unsigned idle_ = 0;
    bool ending_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace trackfold
