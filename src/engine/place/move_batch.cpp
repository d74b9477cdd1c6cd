#include "engine/place/move_batch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "engine/fsio/file_copy.h"
#include "engine/fsio/same_content.h"
#include "engine/place/place_decision.h"

namespace trackfold {

namespace {

constexpr std::size_t kBatchFiles = 500;
constexpr std::uintmax_t kBatchBytes = 512ULL << 20;

}  // namespace

MoveBatch::MoveBatch(PlacementRecord& record, Report report)
    : record_(record), report_(std::move(report)) {}

void MoveBatch::add(RunEvent event, std::optional<PendingRemoval> removal) {
    if (removal) {
        ++files_;
        bytes_ += static_cast<std::uintmax_t>(removal->stamp.size);
    } else if (held_.empty()) {
        report_(event);
        return;
    }
    held_.push_back({std::move(event), std::move(removal)});
}

bool MoveBatch::full() const {
    return files_ >= kBatchFiles || bytes_ >= kBatchBytes;
}

// The copies, and the record's word that each source goes, must be on the disk before the
// only other copies go: then a kill, a full disk or a pulled stick leaves every removed source
// in the record, for undo to put back.
std::error_code MoveBatch::make_durable(const std::vector<Held>& batch,
                                        const std::unordered_map<dev_t, std::string>& written) {
    for (const auto& [device, folder] : written) {
        if (std::error_code ec = flush_disk(folder)) {
            return ec;
        }
    }
    if (std::error_code ec = record_.flush()) {
        return ec;
    }
    std::vector<RecordLine> lines;
    for (const Held& held : batch) {
        if (held.removal) {
            lines.push_back(held.removal->line);
        }
    }
    return record_.append_durably(std::move(lines));
}

MoveBatch::Fate MoveBatch::remove_one(const PendingRemoval& removal,
                                      std::error_code on_disk) const {
    Fate done{SourceFate::Stuck, on_disk, 0};
    RemovalFacts facts{!on_disk, !on_disk, false, !removal.recheck_bytes, std::nullopt};
    if (!on_disk) {
        // A source written to since its bytes were compared holds what the target does not.
        const StampResult now = stamp_at(AT_FDCWD, removal.path);
        facts.stamps_unchanged = now.stamp && untouched_since(*now.stamp, removal.stamp);
        if (facts.stamps_unchanged && removal.recheck_bytes) {
            // Its times cannot show an edit that put size and time back: only its bytes can.
            facts.bytes_still_same = same_content(removal.path, removal.target_path);
        }
        done.error = now.stamp ? source_changed_error() : now.error;
    }
    if (!may_remove_source(facts)) {
        return done;
    }
    if (::unlink(removal.path.c_str()) != 0) {
        done.error.assign(errno, std::generic_category());
        return done;
    }
    return {SourceFate::Removed, {}, static_cast<std::uintmax_t>(removal.stamp.size)};
}

void MoveBatch::commit(const std::unordered_map<dev_t, std::string>& written) {
    if (held_.empty()) {
        return;
    }
    std::vector<Held> batch = std::move(held_);
    held_.clear();
    files_ = 0;
    bytes_ = 0;
    const std::error_code on_disk = make_durable(batch, written);
    for (Held& held : batch) {
        if (auto* placed = std::get_if<FilePlaced>(&held.event); placed && held.removal) {
            const Fate fate = remove_one(*held.removal, on_disk);
            placed->source_fate = fate.fate;
            placed->source_kept = fate.error ? fate.error.message() : std::string();
            placed->bytes_freed = fate.bytes_freed;
        }
    }
    for (const Held& held : batch) {
        report_(held.event);
    }
}

}  // namespace trackfold
