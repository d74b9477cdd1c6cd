#include "engine/record/placement_record.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exception>
#include <utility>

#include "engine/fsio/disk_traits.h"
#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/output_lock.h"
#include "engine/fsio/system_error.h"
#include "engine/naming/temp_names.h"

namespace trackfold {

namespace {

constexpr std::size_t kRunIdLength = 12;
constexpr std::size_t kChunk = 1 << 20;
// Twice the longest line two escaped paths of the longest length make: anything longer is no
// line of ours, and skipping it keeps a damaged record from costing memory.
constexpr std::size_t kMaxLine = 1 << 16;
// A run's lines of placed files and made folders go out in writes of about this size. Each is
// written after what it tells of was done, so a run killed with lines held back is as one
// killed between a copy and its line: the next run finds a copy without its line as a file of
// the same bytes, already there, and never replaces it on the record's word; undo leaves it
// alone. What must be in the record before it is done (that a move's source goes) is written
// at once, after every line held back, and in file order. An undo writes each line at once:
// it is rare, and a later one learns from them what is already taken back.
constexpr std::size_t kHoldBack = 64 << 10;

class RecordErrorCategory : public std::error_category {
  public:
    const char* name() const noexcept override { return "trackfold record"; }
    std::string message(int value) const override {
        switch (static_cast<RecordError>(value)) {
            case RecordError::not_regular:
                return "it is not a regular file";
            case RecordError::is_link:
                return "it is a link";
            case RecordError::linked_twice:
                return "it has more than one name, so it may belong to another output too";
            case RecordError::foreign_owner:
                return "it belongs to another user (give --trust-record if you trust it)";
            case RecordError::others_may_write:
                return "others may write to it (give --trust-record if you trust it)";
            case RecordError::undo_going:
                return "an undo of this output folder is going on";
            case RecordError::run_going:
                return "a run into this output folder is going on: undo it once it has ended";
            case RecordError::no_locks:
                return "this disk keeps no locks, so whether a run is going on cannot be told";
            case RecordError::missing:
                return "there is none: nothing was recorded in this output folder";
        }
        return "unknown";
    }
};

std::string new_run_id() {
    unsigned char bytes[kRunIdLength / 2] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Unique enough on one machine at one moment, when the kernel gives no random bytes.
        const auto seed = static_cast<unsigned long long>(::getpid()) << 32 ^
                          static_cast<unsigned long long>(::time(nullptr));
        std::memcpy(bytes, &seed, sizeof bytes);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string id;
    for (const unsigned char byte : bytes) {
        id += kHex[byte >> 4];
        id += kHex[byte & 0xF];
    }
    return id;
}

// Calls `take` with each whole line of the file from `offset` on and where it starts, until it
// returns false; each byte is looked at once, whatever the file holds. A last line without its
// line break was cut short by a killed run and is left out, as is a line longer than any of
// ours.
template <typename Take>
std::error_code for_each_line(int fd, std::uint64_t offset, Take take) {
    std::string partial;  // the start of a line that the last chunk did not end
    std::uint64_t partial_offset = offset;
    bool too_long = false;
    std::string chunk(kChunk, '\0');
    for (std::uint64_t at = offset;;) {
        const ssize_t got = ::pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return last_error();
        }
        if (got == 0) {
            return {};
        }
        std::string_view data(chunk.data(), static_cast<std::size_t>(got));
        std::uint64_t data_offset = at;
        at += static_cast<std::uint64_t>(got);
        for (std::size_t end; (end = data.find('\n')) != std::string_view::npos;) {
            std::string_view line = data.substr(0, end);
            std::uint64_t line_offset = data_offset;
            if (!partial.empty()) {
                partial.append(line);
                line = partial;
                line_offset = partial_offset;
            }
            if (!too_long && line.size() <= kMaxLine && !take(line, line_offset)) {
                return {};
            }
            partial.clear();
            too_long = false;
            data.remove_prefix(end + 1);
            data_offset += end + 1;
        }
        if (!too_long && !data.empty()) {
            if (partial.empty()) {
                partial_offset = data_offset;
            }
            partial.append(data);
            if (partial.size() > kMaxLine) {
                too_long = true;
                partial.clear();
            }
        }
    }
}

// Once the first part of the record is read, room for as many entries as the whole would hold
// at that rate, and a tenth more: a record of lines is read with the index moved once or never,
// and one that holds no lines (a disk that lost its blocks reads zeros) is given no room.
class IndexRoom {
  public:
    explicit IndexRoom(std::uint64_t record_size) : size_(record_size) {}

    void after_line(RecordIndex& index, std::uint64_t offset) {
        if (reserved_ || offset < kSample) {
            return;
        }
        reserved_ = true;
        const double per_byte = static_cast<double>(index.size()) / static_cast<double>(offset);
        try {
            index.reserve(static_cast<std::size_t>(per_byte * static_cast<double>(size_) * 1.1));
        } catch (const std::exception&) {
            // More than the system lends: the index grows as it reads instead.
        }
    }

  private:
    static constexpr std::uint64_t kSample = 1 << 20;
    std::uint64_t size_;
    bool reserved_ = false;
};

// Another program's record, or a later version of ours: nothing in it can be trusted.
bool foreign_version(std::string_view first_line) {
    constexpr std::string_view kFamily = "trackfold placement record ";
    return first_line.starts_with(kFamily) && first_line != kRecordVersionLine;
}

std::error_code read_lines(int fd,
                           const std::function<bool(const RecordLine&, std::uint64_t)>& take) {
    bool first = true;
    bool trusted = true;
    return for_each_line(fd, 0, [&](std::string_view text, std::uint64_t offset) {
        if (std::exchange(first, false) && foreign_version(text)) {
            trusted = false;
        }
        if (trusted) {
            if (const std::optional<RecordLine> line = parse_record_line(text)) {
                return take(*line, offset);
            }
        }
        return trusted;
    });
}

// A FIFO or a device under the record's name must never be read: opening is asked not to wait,
// and only a regular file with one name is taken.
std::error_code check_file(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return last_error();
    }
    if (!S_ISREG(info.st_mode)) {
        return RecordError::not_regular;
    }
    return info.st_nlink > 1 ? std::error_code(RecordError::linked_twice) : std::error_code();
}

bool written_only_by_user_or_root(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && (info.st_uid == ::geteuid() || info.st_uid == 0) &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::error_code trust_problem(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return last_error();
    }
    if (info.st_uid != ::geteuid() && info.st_uid != 0) {
        return RecordError::foreign_owner;
    }
    return (info.st_mode & (S_IWGRP | S_IWOTH)) != 0
               ? std::error_code(RecordError::others_may_write)
               : std::error_code();
}

bool for_undo(RecordUse use) {
    return use == RecordUse::undo || use == RecordUse::undo_preview;
}

// Each try means a compaction ended in between: more in a row is someone replacing it at will.
constexpr int kRelockTries = 3;

bool still_named(int fd, const std::string& path) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

int open_flags(RecordUse use) {
    constexpr int kAlways = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    switch (use) {
        case RecordUse::run:
            return kAlways | O_RDWR | O_APPEND | O_CREAT;
        case RecordUse::undo:
            return kAlways | O_RDWR | O_APPEND;
        default:
            return kAlways | O_RDONLY;
    }
}

std::error_code open_problem(int error) {
    switch (error) {
        case ELOOP:
            return RecordError::is_link;
        case EISDIR:
        case ENXIO:
            return RecordError::not_regular;
        default:
            return {error, std::generic_category()};
    }
}

// What the disk of the open record has free for us; none where that cannot be told.
std::uint64_t room_on_disk(int fd) {
    struct statfs disk {};
    return ::fstatfs(fd, &disk) == 0 ? static_cast<std::uint64_t>(disk.f_bavail) * disk.f_bsize : 0;
}

// Whether the disk of the open record lets one O_APPEND write land whole with no lock: where
// that cannot be told, writers take turns.
bool appends_need_lock(int fd) {
    struct statfs disk {};
    return ::fstatfs(fd, &disk) != 0 ||
           append_locking(static_cast<long>(disk.f_type)) == AppendLocking::needed;
}

}  // namespace

std::error_code make_error_code(RecordError error) {
    static const RecordErrorCategory category;
    return {static_cast<int>(error), category};
}

PlacementRecord::PlacementRecord(std::string output_folder)
    : output_(std::move(output_folder)),
      path_(output_ + std::string(kRecordFileName)),
      run_id_(new_run_id()) {}

PlacementRecord::~PlacementRecord() {
    write_out({});
    for (const int fd : {fd_, folder_fd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

std::string PlacementRecord::temp_prefix() const {
    return trackfold::temp_prefix(run_id_);
}

std::error_code PlacementRecord::open(RecordUse use, RecordTrust trust, const LineSeen& also) {
    fd_ = ::open(path_.c_str(), open_flags(use), 0644);
    if (fd_ < 0) {
        const bool nothing_yet = errno == ENOENT || errno == ENOTDIR;
        if (nothing_yet && (use == RecordUse::preview)) {
            return {};
        }
        return nothing_yet && use != RecordUse::run ? RecordError::missing : open_problem(errno);
    }
    if (std::error_code ec = check_and_lock(use, trust)) {
        ::close(fd_);
        fd_ = -1;
        return ec;
    }
    trusted_ = written_only_by_user_or_root(fd_);
    writable_ = use == RecordUse::run || use == RecordUse::undo;
    hold_back_ = use == RecordUse::run ? kHoldBack : 0;
    lines_since_room_ = kHoldBack;
    const std::error_code unread = load(use, also);
    if (unread && for_undo(use)) {
        ::close(fd_);
        fd_ = -1;
        index_ = RecordIndex();
        return unread;
    }
    if (unread) {
        // What was read may lack the line that would have kept a file: nothing is replaced on
        // the word of a record read in part, and nothing of it is swept.
        index_ = RecordIndex();
        read_error_ = unread;
    }
    return {};
}

// A compaction renames a new record over the old one while it holds the record alone. A run or
// undo that opened the old file just before would take its locks once the compaction let go,
// and append to a file no longer named: once locked, it makes sure the name is still its file.
std::error_code PlacementRecord::check_and_lock(RecordUse use, RecordTrust trust) {
    for (int tries = 0;; ++tries) {
        if (std::error_code ec = lock_once(use, trust)) {
            return ec;
        }
        if ((use != RecordUse::run && use != RecordUse::undo) || still_named(fd_, path_)) {
            return {};
        }
        if (tries == kRelockTries) {
            return std::make_error_code(std::errc::resource_unavailable_try_again);
        }
        const int again = ::open(path_.c_str(), open_flags(use), 0644);
        if (again < 0) {
            return open_problem(errno);
        }
        ::close(std::exchange(fd_, again));
    }
}

std::error_code PlacementRecord::lock_once(RecordUse use, RecordTrust trust) {
    if (std::error_code ec = check_file(fd_)) {
        return ec;
    }
    if (for_undo(use) && trust == RecordTrust::checked) {
        if (std::error_code ec = trust_problem(fd_)) {
            return ec;
        }
    }
    if (use == RecordUse::run) {
        // A run started before the lock was known to every version keeps none: it is taken
        // for one that may still be going, and its temporaries are left alone.
        if (share_output_lock(fd_) == LockResult::busy) {
            return RecordError::undo_going;
        }
        hold_run_lock(fd_, run_id_);
    } else if (use == RecordUse::undo) {
        switch (own_output_lock(fd_)) {
            case LockResult::busy:
                return RecordError::run_going;
            case LockResult::unsupported:
                return RecordError::no_locks;
            default:
                hold_run_lock(fd_, run_id_);
        }
    }
    return {};
}

// The one pass over the record: an undo asks the index only whose temporaries are stale, and
// learns the rest from `also`.
std::error_code PlacementRecord::load(RecordUse use, const LineSeen& also) {
    const bool undo = for_undo(use);
    if (struct stat info{}; ::fstat(fd_, &info) == 0) {
        size_when_read_ = static_cast<std::uint64_t>(info.st_size);
    }
    IndexRoom room(size_when_read_);
    const std::error_code ec = read_lines(fd_, [&](const RecordLine& line, std::uint64_t offset) {
        if (undo) {
            index_.add_run(line);
        } else {
            index_.add(line, offset);
            room.after_line(index_, offset);
        }
        if (also) {
            also(line, offset);
        }
        return true;
    });
    index_.finish();
    return ec;
}

std::error_code PlacementRecord::for_each(
    const std::function<bool(const RecordLine&, std::uint64_t)>& take, std::uint64_t from) const {
    if (fd_ < 0) {
        return {};
    }
    if (from == 0) {
        return read_lines(fd_, take);
    }
    return for_each_line(fd_, from, [&](std::string_view text, std::uint64_t offset) {
        const std::optional<RecordLine> line = parse_record_line(text);
        return !line || take(*line, offset);
    });
}

std::error_code PlacementRecord::for_each_text(
    const std::function<bool(std::string_view, std::uint64_t)>& take) const {
    return fd_ < 0 ? std::error_code() : for_each_line(fd_, 0, take);
}

std::error_code PlacementRecord::for_each_at(const std::vector<std::uint64_t>& offsets,
                                             const LineSeen& take) const {
    if (fd_ < 0 || offsets.empty()) {
        return {};
    }
    auto next = offsets.begin();
    return for_each_line(fd_, *next, [&](std::string_view text, std::uint64_t offset) {
        while (next != offsets.end() && *next < offset) {
            ++next;  // no longer where a line starts: the record changed since
        }
        if (next != offsets.end() && *next == offset) {
            if (const std::optional<RecordLine> line = parse_record_line(text)) {
                take(*line, offset);
            }
            ++next;
        }
        return next != offsets.end();
    });
}

void PlacementRecord::sweep_stale_temps(int folder_fd, Disk& disk) const {
    const int fd = ::openat(folder_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (is_stale_temp(entry->d_name)) {
            disk.remove_temporary(::dirfd(dir), entry->d_name);
        }
    }
    ::closedir(dir);
}

std::optional<RecordLine> PlacementRecord::line_at(std::uint64_t offset) const {
    std::optional<RecordLine> found;
    if (fd_ >= 0) {
        for_each_line(fd_, offset, [&](std::string_view text, std::uint64_t) {
            found = parse_record_line(text);
            return false;
        });
    }
    return found;
}

// Where the disk could break up one writer's write between another's, writers of the record
// take turns by the lock of the output folder. (A run and an undo never write at once: the
// output lock that open() takes keeps them apart.) The record stays open for the whole run:
// fusefat refuses to open a file for writing again for a while after it was closed, and while
// another process has it open.
class PlacementRecord::Writing {
  public:
    explicit Writing(PlacementRecord& record) : record_(record) {
        locked_ = record.folder_fd_ >= 0 && ::flock(record.folder_fd_, LOCK_EX) == 0;
    }
    ~Writing() {
        if (locked_) {
            ::flock(record_.folder_fd_, LOCK_UN);
        }
    }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;

    bool write(const std::string& text) {
        const ssize_t put = ::write(record_.fd_, text.data(), text.size());
        if (put < 0) {
            record_.note_error(errno);
        } else if (put != static_cast<ssize_t>(text.size())) {
            record_.note_error(ENOSPC);
        }
        return put == static_cast<ssize_t>(text.size());
    }

  private:
    PlacementRecord& record_;
    bool locked_ = false;
};

// The lines held back, then `more`, in one write. A write that fails is kept in write_error_,
// which end() and flush() report.
bool PlacementRecord::write_out(std::string_view more) {
    if (held_back_.empty() && more.empty()) {
        return true;
    }
    held_back_.append(more);
    const bool whole = Writing(*this).write(held_back_);
    held_back_.clear();
    return whole;
}

void PlacementRecord::note_error(int error) {
    if (!write_error_) {
        write_error_.assign(error, std::generic_category());
    }
}

std::string PlacementRecord::stamped(RecordLine line) const {
    line.run = run_id_;
    line.time = record_time_now();
    return format_record_line(line) + "\n";
}

std::error_code PlacementRecord::begin(RecordAction kind, const std::string& text) {
    if (fd_ < 0 || !writable_) {
        return fd_ < 0 ? std::make_error_code(std::errc::bad_file_descriptor) : std::error_code();
    }
    folder_fd_ = ::open(output_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd_ < 0) {
        note_error(errno);
        return write_error_;
    }
    RecordLine line;
    line.action = kind;
    line.pid = ::getpid();
    (kind == RecordAction::Start ? line.source : line.target) = text;
    // Under the lock on every disk, as what is written depends on what was read: two runs
    // starting on a new record would both write its first line. Every writer begins before it
    // appends, so none writes to a record that a begin finds empty; a line break after a
    // killed run's remains can at worst come after another's line, an empty line more.
    {
        Writing writing(*this);
        begun_ = writing.write(start_of_run() + stamped(std::move(line)));
    }
    if (!appends_need_lock(fd_)) {
        ::close(std::exchange(folder_fd_, -1));
    }
    return write_error_;
}

// Read before anything is written through this descriptor: fusefat reads back zeros for what
// was just written, and then loses the next write.
std::string PlacementRecord::start_of_run() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        return {};
    }
    char last = '\n';
    if (info.st_size == 0) {
        return std::string(kRecordVersionLine) + "\n";
    }
    // A run killed in the middle of a line: its remains stay a line of their own.
    return ::pread(fd_, &last, 1, info.st_size - 1) == 1 && last != '\n' ? "\n" : "";
}

void PlacementRecord::append(RecordLine line) {
    if (!begun_) {
        return;
    }
    const std::uint64_t took =
        wrote_target(line.action) ? static_cast<std::uint64_t>(line.target_stamp.size) : 0;
    if (hold_back_ > 0 && lines_since_room_ >= kHoldBack) {
        // Learnt from the disk again after every 64 KiB of lines, held back or not.
        room_ = room_on_disk(fd_);
        lines_since_room_ = 0;
    } else {
        room_ -= std::min(room_, took);
    }
    const std::size_t held = held_back_.size();
    held_back_ += stamped(std::move(line));
    lines_since_room_ += held_back_.size() - held;
    if (held_back_.size() >= hold_back_ || room_ < kRoomToHoldBack) {
        write_out({});
    }
}

bool PlacementRecord::append_all(std::vector<RecordLine> lines) {
    if (!begun_) {
        return false;
    }
    std::string text;
    for (RecordLine& line : lines) {
        text += stamped(std::move(line));
    }
    return write_out(text);
}

std::error_code PlacementRecord::append_durably(std::vector<RecordLine> lines) {
    if (!append_all(std::move(lines))) {
        return write_error_ ? write_error_ : std::make_error_code(std::errc::io_error);
    }
    return ::fdatasync(fd_) == 0 ? std::error_code() : last_error();
}

std::error_code PlacementRecord::flush() {
    write_out({});
    if (fd_ >= 0 && writable_ && ::fsync(fd_) != 0) {
        return last_error();
    }
    return write_error_;
}

std::error_code PlacementRecord::end(const std::string& outcome) {
    if (!begun_) {
        return write_error_;
    }
    RecordLine line;
    line.action = RecordAction::End;
    line.target = outcome;
    write_out(stamped(std::move(line)));
    if (::fsync(fd_) != 0) {
        note_error(errno);
    }
    begun_ = false;
    return write_error_;
}

bool PlacementRecord::is_stale_temp(const std::string& name) const {
    const std::optional<TempName> temp = parse_temp_name(name);
    if (!temp) {
        return false;
    }
    const RecordIndex::Run* known = index_.run(temp->run);
    TempRunState state;
    state.known = known != nullptr;
    state.ours = temp->run == run_id_;
    state.ended = known != nullptr && known->ended;
    state.lock_free = state.known && !state.ours && !state.ended && run_lock_free(fd_, temp->run);
    return temp_is_stale(state);
}

std::error_code read_record(const std::string& path,
                            const std::function<bool(const RecordLine&, std::uint64_t)>& take) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (file.get() < 0) {
        return open_problem(errno);
    }
    if (std::error_code ec = check_file(file.get()); ec && ec != RecordError::linked_twice) {
        return ec;
    }
    return read_lines(file.get(), take);
}

}  // namespace trackfold
