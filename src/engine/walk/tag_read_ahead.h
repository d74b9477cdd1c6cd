#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/place/source_file.h"
#include "legacy_capture.h"
#include "tags/tag_reader.h"

namespace trackfold {

struct TagResult {
    bool error = false;  // ReadTag's result: the file could not be opened
    std::string artist{};
    std::string album{};
    std::string reason{};  // with error: why
    TrackFields fields{};  // what a layout may name besides
    // The file as its tags were read from it, for its copy to read too: one open, one stat.
    std::optional<OpenedSource> opened{};
    // With the code page "auto": the file's 8-bit texts, for judging its album's code page.
    std::vector<LegacyText> legacy{};
    // The code page its album was judged to be in, where that is not the locale's.
    std::string code_page{};
};

// What follows the reading of a file's tags. Where a copy does, the disk is asked at the open
// for the whole of a file larger than the tags read whole, so that it is read in one stream
// ahead of the copy rather than as the tags' head and tail first and the rest later: on a cold
// cache that is the slower part.
enum class SourceRead { tags_only, tags_then_copy };

// The tags of one file, read on this thread; an empty path stands for a file the walk will not
// have read.
TagResult read_tag_result(const std::string& path, Mp3Library& library, bool use_album_artist,
                          SourceRead read = SourceRead::tags_only,
                          CacheProbe probe = CacheProbe::none);

// How one folder's tags are read: its files, in walk order, and the settings read on entering it.
struct TagBatch {
    std::vector<std::string> paths;
    std::string code_page;
    bool use_album_artist = false;
    SourceRead read = SourceRead::tags_only;
};

// Reads the tags of a folder's files on worker threads, a bounded stretch ahead of the walk, so
// that the walk copies one file while the next ones' tags are read. The walk takes the results
// in order and sees exactly what it would have read itself. Workers only read. Without threads
// (or with a library that cannot read in parallel) each tag is read when it is taken.
// Workers take a stretch of files at a time and hand its results over together: a wake-up of
// a thread costs about as much as reading a small tag, so a thread sleeps and wakes once a
// stretch, not once a file, and the walk reads a file itself when no worker has taken it yet.
// The walk reads the first file it takes of a folder itself, asking whether it was in memory:
// if so, it reads the whole folder itself, as no read will wait for the disk and handing files
// over would only cost time; if not, the workers read ahead.
class TagReadAhead {
  public:
    TagReadAhead(Mp3Library& library, unsigned threads);
    ~TagReadAhead();
    TagReadAhead(const TagReadAhead&) = delete;
    TagReadAhead& operator=(const TagReadAhead&) = delete;

    // Replaces any earlier batch; what workers still read of that one is dropped.
    void start(TagBatch batch);
    // The tags of paths[index]; indexes are taken in increasing order.
    TagResult take(std::size_t index);

    // Worker threads for this machine: one fewer than its cores.
    static unsigned default_threads();

  private:
    // The indexes one worker reads, taken under the lock.
    struct Claim {
        std::size_t begin = 0;
        std::size_t end = 0;
    };
    std::size_t claim_size() const;
    bool may_claim() const;
    Claim claim();
    void work();

    Mp3Library& library_;
    static constexpr std::size_t kNoIndex = static_cast<std::size_t>(-1);

    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable result_ready_;
    std::size_t waiting_for_ = kNoIndex;  // the index the walk waits for
    unsigned idle_workers_ = 0;
    TagBatch batch_;
    std::vector<std::optional<TagResult>> results_;
    std::size_t next_ = 0;     // the next index a worker reads
    std::size_t taken_ = 0;    // indexes below it have been taken
    std::size_t stretch_ = 1;  // how many indexes the next claim takes, at most
    bool probing_ = false;     // nothing taken of the batch yet; no worker may claim
    bool reads_here_ = false;  // its first file was in memory: the walk reads the batch
    unsigned generation_ = 0;
    bool ending_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace trackfold
