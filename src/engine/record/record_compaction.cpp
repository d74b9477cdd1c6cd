#include "engine/record/record_compaction.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/system_error.h"

namespace trackfold {

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

}  // namespace

void RecordCompaction::learn(const RecordLine& line) {
    Run& run = runs_[line.run];
    ++run.lines;
    ++lines_;
    switch (line.action) {
        case RecordAction::Start:
        case RecordAction::Undo:
        case RecordAction::Compact:
            run.kind = run.begins++ == 0 ? line.action : run.kind;
            run.undoes = line.action == RecordAction::Undo ? line.target : run.undoes;
            break;
        case RecordAction::End:
            run.ended = true;
            run.complete = run.complete || line.target == "complete";
            break;
        default:
            break;
    }
    if (run.kind == RecordAction::Undo && run.complete && run.begins == 1) {
        undone_.insert(run.undoes);
    }
}

bool RecordCompaction::wholly_undone(const std::string& id) const {
    const auto found = runs_.find(id);
    // Only a sort run is ever undone; a name used twice is no run of ours.
    return found != runs_.end() && found->second.kind == RecordAction::Start &&
           found->second.begins == 1 && found->second.ended && undone_.contains(id);
}

bool RecordCompaction::dead(const Run& run) const {
    if (!run.ended || run.begins != 1) {
        return false;
    }
    switch (run.kind) {
        case RecordAction::Compact:
            return true;
        case RecordAction::Undo:
            return wholly_undone(run.undoes);
        default:
            return false;
    }
}

bool RecordCompaction::keeps(const RecordLine& line) const {
    return keeps_run(line.run);
}

bool RecordCompaction::keeps_run(const std::string& id) const {
    const auto found = runs_.find(id);
    if (found == runs_.end()) {
        return true;
    }
    const Run& run = found->second;
    return run.kind == RecordAction::Start ? !wholly_undone(id) : !dead(run);
}

std::size_t RecordCompaction::lines_kept() const {
    std::size_t kept = lines_;
    for (const auto& [id, run] : runs_) {
        if (!keeps_run(id)) {
            kept -= run.lines;
        }
    }
    return kept;
}

namespace {

// What the record holds now, learnt in one pass.
struct Survey {
    RecordCompaction decision;
    struct stat info {};
    std::size_t lines = 0;  // every line, those that cannot be read too
    std::string problem;
};

std::size_t count_lines(int fd, std::uint64_t size) {
    std::size_t lines = 0;
    std::string chunk(kCopyChunk, '\0');
    char last = '\n';
    off_t at = 0;
    for (ssize_t got; (got = ::pread(fd, chunk.data(), chunk.size(), at)) > 0; at += got) {
        for (const char* p = chunk.data();
             (p = static_cast<const char*>(std::memchr(p, '\n', chunk.data() + got - p))) !=
             nullptr;
             ++p) {
            ++lines;
        }
        last = chunk[static_cast<std::size_t>(got) - 1];
    }
    return lines + (size > 0 && last != '\n' ? 1 : 0);
}

// Another version's record, or no record of ours: rewriting it could lose what it says.
bool ours(int fd) {
    const std::string expected = std::string(kRecordVersionLine) + "\n";
    std::string first(expected.size(), '\0');
    return ::pread(fd, first.data(), first.size(), 0) == static_cast<ssize_t>(first.size()) &&
           first == expected;
}

Survey survey(const PlacementRecord& record) {
    Survey s;
    const int fd = record.descriptor();
    if (::fstat(fd, &s.info) != 0) {
        s.problem = "cannot read the record " + record.path() + ": " + last_error().message();
        return s;
    }
    if (!ours(fd)) {
        s.problem = "its first line is not that of this version's record";
        return s;
    }
    s.lines = count_lines(fd, static_cast<std::uint64_t>(s.info.st_size));
    const std::error_code ec = record.for_each([&](const RecordLine& line, std::uint64_t) {
        s.decision.learn(line);
        return true;
    });
    if (ec) {
        s.problem = "cannot read the record " + record.path() + ": " + ec.message();
    }
    return s;
}

// Sets what the survey says of the record as it is; false when nothing is to be done.
bool worth_it(const Survey& s, CompactWhen when, CompactionResult& result) {
    result.problem = s.problem;
    result.bytes_before = static_cast<std::uint64_t>(s.info.st_size);
    // Only lines it can read can go: the others, like the version line, stay.
    result.lines_dropped = s.decision.lines_learnt() - s.decision.lines_kept();
    result.lines_kept = s.lines > result.lines_dropped ? s.lines - result.lines_dropped : 0;
    if (!result.problem.empty()) {
        result.failed = true;
        return false;
    }
    if (result.lines_dropped == 0) {
        result.problem = "no line in it can go";
    } else if (when == CompactWhen::mostly_dead && result.lines_dropped * 2 <= s.lines) {
        result.problem = "fewer than half of its lines can go";
    }
    return result.problem.empty();
}

std::error_code write_all(int fd, std::string& text, std::uint64_t& written) {
    for (std::size_t at = 0; at < text.size();) {
        const ssize_t put = ::write(fd, text.data() + at, text.size() - at);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return put < 0 ? last_error() : std::make_error_code(std::errc::no_space_on_device);
        }
        at += static_cast<std::size_t>(put);
    }
    written += text.size();
    text.clear();
    return {};
}

struct Written {
    std::error_code error;
    std::size_t lines = 0;
    std::uint64_t bytes = 0;
};

// The version line, then every line that stays, whole on the disk before it is closed.
Written write_live_lines(const PlacementRecord& record, const RecordCompaction& decision,
                         FileDescriptor temp) {
    Written w;
    std::string out = std::string(kRecordVersionLine) + "\n";
    w.lines = 1;
    // Kept as they were, to the byte: a line this version cannot read may be a later one's.
    std::error_code read = record.for_each_text([&](std::string_view text, std::uint64_t at) {
        const std::optional<RecordLine> line = parse_record_line(text);
        if (at != 0 && (!line || decision.keeps(*line))) {
            out.append(text);
            out += '\n';
            ++w.lines;
        }
        return out.size() < kCopyChunk || !(w.error = write_all(temp.get(), out, w.bytes));
    });
    if (!w.error) {
        w.error = read ? read : write_all(temp.get(), out, w.bytes);
    }
    if (!w.error && ::fsync(temp.get()) != 0) {
        w.error = last_error();
    }
    if (temp.close() != 0 && !w.error) {
        w.error = last_error();
    }
    return w;
}

bool names_file(int folder_fd, const std::string& name, const struct stat& held) {
    struct stat named {};
    return ::fstatat(folder_fd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

// Write the new file, put it on the disk, then give it the record's name, as an object store
// does: a kill at any moment leaves the old record or the new one, each whole.
void rewrite(PlacementRecord& record, const Survey& s, CompactionResult& result) {
    const FileDescriptor folder(
        ::open(record.output_folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const std::string name = record.temp_prefix() + "0.part";
    const std::string record_name(kRecordFileName);
    FileDescriptor temp(-1);
    if (folder.get() >= 0) {
        // A killed compaction's temporary among them: no run is alive while the record is
        // held alone.
        record.sweep_stale_temps(folder.get(), real_disk());
        temp = FileDescriptor(::openat(folder.get(), name.c_str(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    }
    if (temp.get() < 0) {
        result.problem =
            "cannot make a new record in " + record.output_folder() + ": " + last_error().message();
        result.failed = true;
        return;
    }
    // Owned and shared as the old one was, where the system lets us.
    (void)::fchown(temp.get(), s.info.st_uid, s.info.st_gid);
    (void)::fchmod(temp.get(), s.info.st_mode & 07777);
    const Written w = write_live_lines(record, s.decision, std::move(temp));
    std::error_code ec = w.error;
    if (!ec && !names_file(folder.get(), record_name, s.info)) {
        ec = std::make_error_code(std::errc::resource_unavailable_try_again);
    }
    if (!ec && ::renameat(folder.get(), name.c_str(), folder.get(), record_name.c_str()) != 0) {
        ec = last_error();
    }
    if (ec) {
        ::unlinkat(folder.get(), name.c_str(), 0);
        result.problem =
            "cannot write the new record in " + record.output_folder() + ": " + ec.message();
        result.failed = true;
        return;
    }
    ::fsync(folder.get());
    result.compacted = true;
    result.lines_kept = w.lines;
    result.bytes_after = w.bytes;
}

// The rest of a survey an undo began: what the record is now, and the lines it appended.
Survey survey_rest(const PlacementRecord& record, RecordSurvey&& learnt) {
    Survey s;
    s.decision = std::move(learnt.decision);
    s.lines = learnt.lines + 1;  // and the version line
    const int fd = record.descriptor();
    if (::fstat(fd, &s.info) != 0 || !ours(fd)) {
        s.problem = "cannot read the record " + record.path() + ": " + last_error().message();
        return s;
    }
    const std::error_code ec = record.for_each(
        [&](const RecordLine& line, std::uint64_t) {
            s.decision.learn(line);
            ++s.lines;
            return true;
        },
        record.size_when_read());
    if (ec) {
        s.problem = "cannot read the record " + record.path() + ": " + ec.message();
    }
    return s;
}

}  // namespace

CompactionResult compact_held_record(PlacementRecord& record, CompactWhen when,
                                     RecordSurvey survey) {
    CompactionResult result;
    const Survey s = survey_rest(record, std::move(survey));
    if (worth_it(s, when, result)) {
        rewrite(record, s, result);
    }
    return result;
}

CompactionResult compact_record(const std::string& output, RecordTrust trust) {
    CompactionResult result;
    PlacementRecord record(output);
    if (const std::error_code ec = record.open(RecordUse::undo, trust)) {
        result.problem = "cannot use the record " + record.path() + ": " + ec.message();
        result.failed = true;
        return result;
    }
    Survey s = survey(record);
    if (!worth_it(s, CompactWhen::any_dead, result)) {
        return result;
    }
    // The record then knows the run that names the temporary, and that it has ended, so a
    // temporary that a kill leaves is taken for a stale one.
    std::error_code ec = record.begin(RecordAction::Compact, "");
    if (!ec) {
        ec = record.end("complete");
    }
    if (ec) {
        result.problem = "cannot write the record " + record.path() + ": " + ec.message();
        result.failed = true;
        return result;
    }
    RecordLine line;
    line.run = record.run_id();
    line.action = RecordAction::Compact;
    s.decision.learn(line);
    line.action = RecordAction::End;
    line.target = "complete";
    s.decision.learn(line);
    rewrite(record, s, result);
    return result;
}

}  // namespace trackfold
