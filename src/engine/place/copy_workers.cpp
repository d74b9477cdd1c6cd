#include "engine/place/copy_workers.h"

#include <algorithm>

namespace trackfold {

CopyWorkers::CopyWorkers(unsigned threads) {
    for (unsigned i = 0; i < threads; ++i) {
        threads_.emplace_back([this] { work(); });
    }
}

CopyWorkers::~CopyWorkers() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

unsigned CopyWorkers::default_threads() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

// Sleeping workers are woken for a few copies at a time, not for each: a wake costs about what
// a small copy does. A worker that is awake takes the next copy without one.
void CopyWorkers::submit(std::shared_ptr<CopyTask> task) {
    constexpr std::size_t kWakeAt = 4;
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(task));
        wake = idle_ > 0 && queue_.size() >= kWakeAt;
    }
    if (wake) {
        work_ready_.notify_all();
    }
}

void CopyWorkers::wait(const CopyTask& task) {
    std::unique_lock lock(mutex_);
    if (task.done) {
        return;
    }
    if (idle_ > 0 && !queue_.empty()) {
        work_ready_.notify_all();
    }
    waited_ = &task;
    task_done_.wait(lock, [&] { return task.done; });
    waited_ = nullptr;
}

void CopyWorkers::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        work_ready_.wait(lock, [&] { return ending_ || !queue_.empty(); });
        --idle_;
        if (queue_.empty()) {
            return;
        }
        const std::shared_ptr<CopyTask> task = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        task->work();
        lock.lock();
        task->done = true;
        if (waited_ == task.get()) {
            task_done_.notify_one();
        }
    }
}

}  // namespace trackfold
