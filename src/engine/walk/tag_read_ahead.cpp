#include "engine/walk/tag_read_ahead.h"

#include <fcntl.h>

#include <algorithm>
#include <utility>

namespace trackfold {
namespace {

// How far the workers may run ahead of the walk: enough to keep them busy while one large file
// is copied, little enough that a cancelled folder costs almost nothing.
constexpr std::size_t kAhead = 32;
// The most indexes one claim takes. A folder's first claim is a single file, which the walk
// waits for at once; each claim after it takes four times as many, so that a walk that copies
// starts soon and a walk that only compares (a re-run) wakes about once in this many files.
constexpr std::size_t kLongestStretch = 16;
static_assert(kLongestStretch <= kAhead);

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
    // No worker is woken before the walk has read the first file it takes: a folder with
    // nothing to read (a re-run's, mostly) wakes no one.
    const std::lock_guard lock(mutex_);
    ++generation_;
    results_.clear();
    results_.resize(batch.paths.size());
    batch_ = std::move(batch);
    next_ = 0;
    taken_ = 0;
    stretch_ = 1;
    probing_ = !workers_.empty();
    reads_here_ = false;
}

TagResult read_tag_result(const std::string& path, Mp3Library& library, bool use_album_artist,
                          SourceRead read, CacheProbe probe) {
    TagResult result;
    if (path.empty()) {
        result.error = true;
        return result;
    }
    take_legacy_texts();  // what an earlier read left unclaimed
    OpenForTags through;
    if (reads_open_file(path)) {
        result.opened = open_source(path, probe);
        if (result.opened) {
            through = {result.opened->fd.get(), result.opened->stamp.info.st_size};
            if (read == SourceRead::tags_then_copy && !reads_whole_file(through.size)) {
                ::posix_fadvise(through.fd, 0, 0, POSIX_FADV_WILLNEED);
            }
        }
    }
    TrackTags read_tags = read_track_tags(path, library, use_album_artist, through);
    result.error = read_tags.error;
    result.artist = std::move(read_tags.artist);
    result.album = std::move(read_tags.album);
    result.fields = std::move(read_tags.fields);
    result.legacy = take_legacy_texts();
    if (result.error) {
        result.opened.reset();
        result.reason = tag_error_reason(path);
    }
    return result;
}

TagResult TagReadAhead::take(std::size_t index) {
    std::unique_lock lock(mutex_);
    // Only the walk replaces the batch, so it reads its own paths without the lock; it has set
    // the folder's code page on this thread.
    if (workers_.empty() || reads_here_) {
        lock.unlock();
        return read_tag_result(batch_.paths[index], library_, batch_.use_album_artist, batch_.read);
    }
    if (probing_) {
        probing_ = false;
        next_ = index + 1;
        taken_ = index + 1;
        lock.unlock();
        TagResult first = read_tag_result(batch_.paths[index], library_, batch_.use_album_artist,
                                          batch_.read, CacheProbe::first_page);
        lock.lock();
        reads_here_ = first.opened && first.opened->in_memory;
        const bool wake = idle_workers_ > 0 && may_claim();
        lock.unlock();
        if (wake) {
            work_ready_.notify_one();
        }
        return first;
    }
    // The walk sleeps only when the stretch that holds this index is not handed over yet, and
    // idle workers are woken only when a whole stretch has room in the window.
    const bool unclaimed = !results_[index] && next_ == index;
    if (unclaimed) {
        // No worker has it yet (a folder's first file, mostly): reading it here costs less than
        // waking one and sleeping until it is done.
        next_ = index + 1;
    } else if (!results_[index]) {
        waiting_for_ = index;
        result_ready_.wait(lock, [&] { return results_[index].has_value(); });
        waiting_for_ = kNoIndex;
    }
    std::optional<TagResult> result = std::move(results_[index]);
    results_[index].reset();
    taken_ = index + 1;
    const bool wake = idle_workers_ > 0 && may_claim();
    lock.unlock();
    if (wake) {
        work_ready_.notify_one();
    }
    return unclaimed ? read_tag_result(batch_.paths[index], library_, batch_.use_album_artist,
                                       batch_.read)
                     : std::move(*result);
}

std::size_t TagReadAhead::claim_size() const {
    return std::min(stretch_, batch_.paths.size() - next_);
}

bool TagReadAhead::may_claim() const {
    return !probing_ && !reads_here_ && next_ < batch_.paths.size() &&
           next_ + claim_size() <= taken_ + kAhead;
}

TagReadAhead::Claim TagReadAhead::claim() {
    const Claim claimed{next_, next_ + claim_size()};
    next_ = claimed.end;
    stretch_ = std::min(stretch_ * 4, kLongestStretch);
    return claimed;
}

void TagReadAhead::work() {
    std::string code_page;
    bool code_page_set = false;
    std::vector<std::string> paths;
    std::vector<TagResult> read;
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_workers_;
        work_ready_.wait(lock, [&] { return ending_ || may_claim(); });
        --idle_workers_;
        if (ending_) {
            return;
        }
        const Claim claimed = claim();
        const unsigned generation = generation_;
        paths.assign(batch_.paths.begin() + static_cast<std::ptrdiff_t>(claimed.begin),
                     batch_.paths.begin() + static_cast<std::ptrdiff_t>(claimed.end));
        const bool use_album_artist = batch_.use_album_artist;
        const SourceRead read_for = batch_.read;
        if (!code_page_set || code_page != batch_.code_page) {
            code_page = batch_.code_page;
            code_page_set = true;
            library_.setCodePage(code_page.c_str());
        }
        // Another idle worker may take the stretch after this one.
        const bool more = idle_workers_ > 0 && may_claim();
        lock.unlock();
        if (more) {
            work_ready_.notify_one();
        }
        read.clear();
        for (const std::string& path : paths) {
            read.push_back(read_tag_result(path, library_, use_album_artist, read_for));
        }
        lock.lock();
        if (generation != generation_) {
            continue;
        }
        std::move(read.begin(), read.end(),
                  results_.begin() + static_cast<std::ptrdiff_t>(claimed.begin));
        if (waiting_for_ >= claimed.begin && waiting_for_ < claimed.end) {
            // Woken after the unlock, so that the walk does not wake only to wait for the lock.
            lock.unlock();
            result_ready_.notify_one();
            lock.lock();
        }
    }
}

}  // namespace trackfold
