#include "engine/walk/tag_read_ahead.h"

#include <algorithm>
#include <utility>

namespace trackfold {
namespace {

// How far the workers may run ahead of the walk: enough to keep them busy while one large file
// is copied, little enough that a cancelled folder costs almost nothing.
constexpr std::size_t kAhead = 32;

}  // namespace

TagReadAhead::TagReadAhead(Mp3Library& library, unsigned threads) : library_(library) {
    if (!library.readsInParallel()) {
        return;
    }
    for (unsigned i = 0; i < threads; ++i) {
        workers_.emplace_back([this] { work(); });
    }
}

TagReadAhead::~TagReadAhead() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

unsigned TagReadAhead::default_threads() {
    // The walk keeps one core busy itself; on two cores a second worker only takes turns with
    // the first and the walk (measured: slower warm, no faster cold).
    return std::clamp(std::thread::hardware_concurrency(), 2u, 8u) - 1;
}

void TagReadAhead::start(TagBatch batch) {
    {
        const std::lock_guard lock(mutex_);
        ++generation_;
        results_.assign(batch.paths.size(), std::nullopt);
        batch_ = std::move(batch);
        next_ = 0;
        taken_ = 0;
    }
    work_ready_.notify_all();
}

namespace {

// An empty path stands for a file the walk will not have read.
TagResult read_tags(const std::string& path, Mp3Library& library, bool use_album_artist) {
    TagResult result;
    if (path.empty()) {
        result.error = true;
        return result;
    }
    result.error = ReadTag(path, result.artist, result.album, library, use_album_artist);
    if (result.error) {
        result.reason = tag_error_reason(path);
    }
    return result;
}

}  // namespace

TagResult TagReadAhead::take(std::size_t index) {
    std::unique_lock lock(mutex_);
    if (workers_.empty()) {
        // The walk has set the folder's code page on this thread.
        return read_tags(batch_.paths[index], library_, batch_.use_album_artist);
    }
    // Every wake-up costs about as much as reading a small tag: the walk is woken only for the
    // result it waits for, and idle workers only when the window moves on.
    waiting_for_ = index;
    result_ready_.wait(lock, [&] { return results_[index].has_value(); });
    waiting_for_ = kNoIndex;
    TagResult result = std::move(*results_[index]);
    results_[index].reset();
    taken_ = index + 1;
    const bool wake = idle_workers_ > 0 && next_ < batch_.paths.size();
    lock.unlock();
    if (wake) {
        work_ready_.notify_all();
    }
    return result;
}

void TagReadAhead::work() {
    std::string code_page;
    bool code_page_set = false;
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_workers_;
        work_ready_.wait(lock, [&] {
            return ending_ || (next_ < batch_.paths.size() && next_ < taken_ + kAhead);
        });
        --idle_workers_;
        if (ending_) {
            return;
        }
        const std::size_t index = next_++;
        const unsigned generation = generation_;
        const std::string path = batch_.paths[index];
        const bool use_album_artist = batch_.use_album_artist;
        if (!code_page_set || code_page != batch_.code_page) {
            code_page = batch_.code_page;
            code_page_set = true;
            library_.setCodePage(code_page.c_str());
        }
        lock.unlock();
        TagResult result = read_tags(path, library_, use_album_artist);
        lock.lock();
        if (generation == generation_) {
            results_[index] = std::move(result);
            if (waiting_for_ == index) {
                result_ready_.notify_one();
            }
        }
    }
}

}  // namespace trackfold
