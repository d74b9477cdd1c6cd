#include "engine/record/record_index.h"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "util/case_fold.h"

namespace trackfold {

namespace {

std::uint64_t mix(std::uint64_t seed, std::uint64_t value) {
    // splitmix64's finaliser over the running value.
    std::uint64_t z = seed ^ (value + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2));
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t hash_text(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

std::uint64_t key_hash(std::uint64_t salt, const StampKey& key) {
    return mix(mix(mix(salt, static_cast<std::uint64_t>(key.a)), static_cast<std::uint64_t>(key.b)),
               static_cast<std::uint64_t>(key.c));
}

// The keys of the stamp rules (file_stamp.h): the object, the recording in it, a touch.
std::uint64_t object_hash(const FileStamp& s) {
    return key_hash(1, object_key(s));
}

std::uint64_t content_hash(const FileStamp& s) {
    return key_hash(2, recording_key(s));
}

std::uint64_t target_hash(const FileStamp& s) {
    return key_hash(3, touch_key(s));
}

// An entry's place in the file, its line's run and its action share one word: offsets below
// 2^40 (a record of a terabyte), 16 bits for the run's number, 8 for the action.
constexpr unsigned kOffsetShift = 24;
constexpr std::uint64_t kLargestOffset = (1ULL << (64 - kOffsetShift)) - 1;

RecordAction action_of(std::uint64_t offset_action) {
    return static_cast<RecordAction>(offset_action & 0xFF);
}

std::uint64_t offset_of(std::uint64_t offset_action) {
    return offset_action >> kOffsetShift;
}

std::size_t run_number_of(std::uint64_t offset_action) {
    return (offset_action >> 8) & 0xFFFF;
}

constexpr std::uint64_t kRemovedMark = ~0ULL;

}  // namespace

std::uint64_t record_target_key(std::string_view target) {
    return hash_text(fold_case(target));
}

std::uint64_t settings_fingerprint(std::string_view text) {
    return std::max(hash_text(text), kSettingsMixed + 1);
}

void RecordIndex::add_run(const RecordLine& line) {
    if (line.action == RecordAction::Start || line.action == RecordAction::Undo ||
        line.action == RecordAction::Compact) {
        runs_[line.run].pid = line.pid;
    } else if (line.action == RecordAction::End) {
        runs_[line.run].ended = true;
    } else if (line.action == RecordAction::Settings) {
        const std::uint16_t number = run_number(line.run);
        std::uint64_t& settings = runs_[line.run].settings;
        const std::uint64_t now = settings_fingerprint(line.target);
        settings = settings == kSettingsUnknown || settings == now ? now : kSettingsMixed;
        if (number != 0) {
            run_settings_[number - 1] = settings;
        }
    }
}

std::uint64_t RecordIndex::packed(const RecordLine& line, std::uint64_t offset) {
    return offset << kOffsetShift | std::uint64_t{run_number(line.run)} << 8 |
           static_cast<std::uint64_t>(line.action);
}

// Numbered from 1 in the order runs first appear; 0 for a run beyond 65,535, whose settings are
// then not known.
std::uint16_t RecordIndex::run_number(const std::string& id) {
    Run& run = runs_[id];
    if (run.number == 0 && run_settings_.size() < 0xFFFF) {
        run_settings_.push_back(run.settings);
        run.number = static_cast<std::uint16_t>(run_settings_.size());
    }
    return run.number;
}

std::uint64_t RecordIndex::settings_of(std::uint64_t offset_action) const {
    const std::size_t number = run_number_of(offset_action);
    return number == 0 ? kSettingsUnknown : run_settings_[number - 1];
}

void RecordIndex::add(const RecordLine& line, std::uint64_t offset) {
    if (offset > kLargestOffset) {
        return;  // not known to the index: nothing is replaced or left unread on its word
    }
    switch (line.action) {
        case RecordAction::Start:
        case RecordAction::Undo:
        case RecordAction::Compact:
        case RecordAction::End:
        case RecordAction::Settings:
            add_run(line);
            return;
        case RecordAction::Folder:
        case RecordAction::SourceRemoved:
        case RecordAction::Restored:
            return;
        case RecordAction::Removed:
            entries_.push_back(
                {record_target_key(line.target), 0, 0, 0, kRemovedMark, packed(line, offset)});
            return;
        default:
            entries_.push_back({record_target_key(line.target), hash_text(line.source),
                                object_hash(line.source_stamp), content_hash(line.source_stamp),
                                target_hash(line.target_stamp), packed(line, offset)});
    }
}

void RecordIndex::finish() {
    const std::size_t made = entries_.size();
    // The offset keeps the file's order within a target, without a stable sort's buffer.
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        return a.key != b.key ? a.key < b.key : a.offset_action < b.offset_action;
    });
    // Within each target, in the order of the file, keep what still holds at the end.
    auto kept = entries_.begin();
    for (auto group = entries_.begin(); group != entries_.end();) {
        const auto group_end = std::find_if(group, entries_.end(),
                                            [&](const Entry& e) { return e.key != group->key; });
        const auto first_kept = kept;
        for (auto it = group; it != group_end; ++it) {
            const RecordAction action = action_of(it->offset_action);
            const bool continues = kept != first_kept && action == RecordAction::AlreadyThere &&
                                   (kept - 1)->target_stamp == it->target_stamp;
            if (!continues) {
                kept = first_kept;  // the target was written, removed or seen changed since
            }
            if (action == RecordAction::Removed) {
                continue;
            }
            // A source found again in the same target replaces what was said of it before.
            const auto same = std::find_if(
                first_kept, kept, [&](const Entry& e) { return e.source_path == it->source_path; });
            *(same != kept ? same : kept++) = *it;
        }
        group = group_end;
    }
    entries_.erase(kept, entries_.end());
    // Shrinking copies the whole index once more, doubling its memory for a moment: worth it
    // only when much of what was made was dropped. Room reserved that no entry reached was
    // never given memory, only addresses.
    if (entries_.size() < made / 4 * 3) {
        entries_.shrink_to_fit();
    }
    made_ = std::min(made, entries_.capacity());
    index_sources();
}

void RecordIndex::index_sources() {
    by_source_.clear();
    if (entries_.size() > UINT32_MAX) {
        return;  // no source is looked up: every file's tags are read
    }
    // Sorted as half a hash and half an index, 8 bytes each, for a while: a sort by the
    // entries' own hashes would look into the whole index at random, for every comparison.
    std::vector<std::uint64_t> order(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        order[i] = (entries_[i].source_path >> 32) << 32 | i;
    }
    std::sort(order.begin(), order.end());
    by_source_.resize(order.size());
    std::transform(order.begin(), order.end(), by_source_.begin(),
                   [](std::uint64_t key) { return static_cast<std::uint32_t>(key); });
}

std::optional<std::uint64_t> RecordIndex::source_line(std::string_view source_path) const {
    const std::uint64_t path = hash_text(source_path);
    const auto upper = [&](std::uint32_t i) { return entries_[i].source_path >> 32; };
    auto it = std::partition_point(by_source_.begin(), by_source_.end(),
                                   [&](std::uint32_t i) { return upper(i) < path >> 32; });
    std::optional<std::uint64_t> found;
    for (; it != by_source_.end() && upper(*it) == path >> 32; ++it) {
        if (entries_[*it].source_path == path) {
            if (found) {
                return std::nullopt;  // in two targets: only its tags can tell which is meant
            }
            found = offset_of(entries_[*it].offset_action);
        }
    }
    return found;
}

std::optional<RecordIndex::Found> RecordIndex::find(std::string_view target,
                                                    std::string_view source_path,
                                                    const FileStamp& source_now,
                                                    const FileStamp& target_now) const {
    const std::uint64_t key = record_target_key(target);
    const auto range =
        std::equal_range(entries_.begin(), entries_.end(), Entry{key, 0, 0, 0, 0, 0},
                         [](const Entry& a, const Entry& b) { return a.key < b.key; });
    const std::uint64_t path = hash_text(source_path);
    const std::uint64_t object = object_hash(source_now);
    const std::uint64_t stamp = target_hash(target_now);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->source_path == path && it->source_object == object && it->target_stamp == stamp) {
            return Found{offset_of(it->offset_action),
                         it->source_content == content_hash(source_now),
                         range.second - range.first == 1, action_of(it->offset_action),
                         settings_of(it->offset_action)};
        }
    }
    return std::nullopt;
}

const RecordIndex::Run* RecordIndex::run(const std::string& id) const {
    const auto found = runs_.find(id);
    return found == runs_.end() ? nullptr : &found->second;
}

std::size_t RecordIndex::memory_bytes() const {
    return made_ * sizeof(Entry) + by_source_.capacity() * sizeof(std::uint32_t) +
           runs_.size() * 64;
}

}  // namespace trackfold
