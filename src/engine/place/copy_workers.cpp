#include "engine/place/copy_workers.h"

#include <algorithm>

namespace trackfold {

CopyWorkers::CopyWorkers(unsigned threads) {
    for (unsigned i = 0; i < threads; ++i) {
        threads_.emplace_back([this] { work(); });
    }
}

CopyWorkers::~CopyWorkers() {
    if (!staged_.empty()) {
        publish();
    }
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

namespace {

constexpr std::size_t kHandOver = 16;   // copies handed to the workers at once
constexpr std::size_t kTakeAtOnce = 8;  // copies a worker takes at once

}  // namespace

void CopyWorkers::submit(std::shared_ptr<CopyTask> task) {
    staged_.push_back(std::move(task));
    if (staged_.size() >= kHandOver) {
        publish();
    }
}

void CopyWorkers::publish() {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        for (std::shared_ptr<CopyTask>& task : staged_) {
            queue_.push_back(std::move(task));
        }
        wake = idle_ > 0;
    }
    staged_.clear();
    if (wake) {
        work_ready_.notify_all();
    }
}

void CopyWorkers::wait(const CopyTask& task) {
    if (!staged_.empty()) {
        publish();
    }
    std::unique_lock lock(mutex_);
    waited_ = &task;
    task_done_.wait(lock, [&] { return task.done; });
    waited_ = nullptr;
}

void CopyWorkers::work() {
    std::vector<std::shared_ptr<CopyTask>> taken;
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        work_ready_.wait(lock, [&] { return ending_ || !queue_.empty(); });
        --idle_;
        if (queue_.empty()) {
            return;
        }
        while (!queue_.empty() && taken.size() < kTakeAtOnce) {
            taken.push_back(std::move(queue_.front()));
            queue_.pop_front();
        }
        lock.unlock();
        for (const std::shared_ptr<CopyTask>& task : taken) {
            task->work();
        }
        lock.lock();
        bool waited = false;
        for (const std::shared_ptr<CopyTask>& task : taken) {
            task->done = true;
            waited = waited || waited_ == task.get();
        }
        taken.clear();
        if (waited) {
            task_done_.notify_one();
        }
    }
}

}  // namespace trackfold
