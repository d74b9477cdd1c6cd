#include "engine/placement_record.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <utility>

#include "engine/file_descriptor.h"

namespace trackfold {

namespace {

constexpr std::string_view kTempStart = ".trackfold-";
constexpr std::size_t kRunIdLength = 12;
constexpr std::size_t kChunk = 1 << 20;

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

// Calls `take` with each whole line of the file and its offset, until it returns false; a last
// line without its line break was cut short by a killed run and is left out.
template <typename Take>
std::error_code for_each_line(int fd, Take take) {
    std::string buffer;
    std::uint64_t buffer_offset = 0;
    std::string chunk(kChunk, '\0');
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return {errno, std::generic_category()};
        }
        if (got == 0) {
            return {};
        }
        buffer.append(chunk.data(), static_cast<std::size_t>(got));
        std::size_t start = 0;
        for (std::size_t end; (end = buffer.find('\n', start)) != std::string::npos;) {
            if (!take(std::string_view(buffer).substr(start, end - start), buffer_offset + start)) {
                return {};
            }
            start = end + 1;
        }
        buffer.erase(0, start);
        buffer_offset += start;
    }
}

std::size_t count_lines(int fd) {
    std::size_t lines = 0;
    std::string chunk(kChunk, '\0');
    for (ssize_t got; (got = ::read(fd, chunk.data(), chunk.size())) > 0;) {
        for (const char* at = chunk.data();
             (at = static_cast<const char*>(std::memchr(at, '\n', chunk.data() + got - at))) !=
             nullptr;
             ++at) {
            ++lines;
        }
    }
    ::lseek(fd, 0, SEEK_SET);
    return lines;
}

// Another program's record, or a later version of ours: nothing in it can be trusted.
bool foreign_version(std::string_view first_line) {
    constexpr std::string_view kFamily = "trackfold placement record ";
    return first_line.starts_with(kFamily) && first_line != kRecordVersionLine;
}

}  // namespace

PlacementRecord::PlacementRecord(std::string output_folder)
    : output_(std::move(output_folder)),
      path_(output_ + std::string(kRecordFileName)),
      run_id_(new_run_id()) {
    load();
}

PlacementRecord::~PlacementRecord() {
    for (const int fd : {fd_, folder_fd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

std::string PlacementRecord::temp_prefix() const {
    return std::string(kTempStart) + std::to_string(::getpid()) + "-" + run_id_ + "-";
}

void PlacementRecord::load() {
    const FileDescriptor file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (file.get() < 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            read_error_.assign(errno, std::generic_category());
        }
        return;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        read_error_ = std::make_error_code(std::errc::invalid_argument);
        return;
    }
    index_.reserve(count_lines(file.get()));
    read_error_ = read_record(path_, [&](const RecordLine& line, std::uint64_t offset) {
        index_.add(line, offset);
        return true;
    });
    index_.finish();
}

std::optional<RecordLine> PlacementRecord::line_at(std::uint64_t offset) const {
    const FileDescriptor file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (file.get() < 0 || ::lseek(file.get(), static_cast<off_t>(offset), SEEK_SET) < 0) {
        return std::nullopt;
    }
    std::optional<RecordLine> found;
    for_each_line(file.get(), [&](std::string_view text, std::uint64_t) {
        found = parse_record_line(text);
        return false;
    });
    return found;
}

// Writers of the record take turns by the lock of the output folder. The record stays open for
// the whole run: fusefat refuses to open a file for writing again for a while after it was
// closed, and while another process has it open.
class PlacementRecord::Writing {
  public:
    explicit Writing(PlacementRecord& record) : record_(record) {
        locked_ = ::flock(record.folder_fd_, LOCK_EX) == 0;
        if (record_.fd_ < 0) {
            record_.fd_ = ::open(record_.path_.c_str(),
                                 O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
            if (record_.fd_ < 0) {
                record_.note_error(errno);
            }
        }
    }
    ~Writing() {
        if (locked_) {
            ::flock(record_.folder_fd_, LOCK_UN);
        }
    }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;

    void write(const std::string& text) {
        if (record_.fd_ < 0) {
            return;
        }
        const ssize_t put = ::write(record_.fd_, text.data(), text.size());
        if (put < 0) {
            record_.note_error(errno);
        } else if (put != static_cast<ssize_t>(text.size())) {
            record_.note_error(ENOSPC);
        }
    }

  private:
    PlacementRecord& record_;
    bool locked_ = false;
};

void PlacementRecord::note_error(int error) {
    if (!write_error_) {
        write_error_.assign(error, std::generic_category());
    }
}

std::error_code PlacementRecord::begin(RecordAction kind, const std::string& text) {
    folder_fd_ = ::open(output_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd_ < 0) {
        note_error(errno);
        return write_error_;
    }
    RecordLine line;
    line.action = kind;
    line.run = run_id_;
    line.time = record_time_now();
    line.pid = ::getpid();
    (kind == RecordAction::Start ? line.source : line.target) = text;
    Writing writing(*this);
    if (fd_ < 0) {
        return write_error_;
    }
    begun_ = true;
    // Read before anything is written through this descriptor: fusefat reads back zeros for
    // what was just written, and then loses the next write.
    std::string out;
    struct stat info {};
    if (::fstat(fd_, &info) == 0) {
        char last = '\n';
        if (info.st_size == 0) {
            out = std::string(kRecordVersionLine) + "\n";
        } else if (::pread(fd_, &last, 1, info.st_size - 1) == 1 && last != '\n') {
            // A run killed in the middle of a line: its remains stay a line of their own.
            out = "\n";
        }
    }
    writing.write(out + format_record_line(line) + "\n");
    return write_error_;
}

void PlacementRecord::append(RecordLine line) {
    if (!begun_) {
        return;
    }
    line.run = run_id_;
    line.time = record_time_now();
    Writing(*this).write(format_record_line(line) + "\n");
}

std::error_code PlacementRecord::flush() {
    if (fd_ >= 0 && ::fsync(fd_) != 0) {
        return {errno, std::generic_category()};
    }
    return write_error_;
}

std::error_code PlacementRecord::end(const std::string& outcome) {
    if (!begun_) {
        return write_error_;
    }
    RecordLine line;
    line.action = RecordAction::End;
    line.run = run_id_;
    line.time = record_time_now();
    line.target = outcome;
    {
        Writing writing(*this);
        writing.write(format_record_line(line) + "\n");
        if (fd_ >= 0 && ::fsync(fd_) != 0) {
            note_error(errno);
        }
    }
    if (::close(fd_) != 0) {
        note_error(errno);
    }
    fd_ = -1;
    begun_ = false;
    return write_error_;
}

std::error_code read_record(const std::string& path,
                            const std::function<bool(const RecordLine&, std::uint64_t)>& take) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (file.get() < 0) {
        return {errno, std::generic_category()};
    }
    bool first = true;
    bool trusted = true;
    return for_each_line(file.get(), [&](std::string_view text, std::uint64_t offset) {
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

bool PlacementRecord::is_stale_temp(const std::string& name) const {
    if (!name.starts_with(kTempStart)) {
        return false;
    }
    const char* const end = name.data() + name.size();
    const char* at = name.data() + kTempStart.size();
    long pid = 0;
    const auto [after_pid, error] = std::from_chars(at, end, pid);
    if (error != std::errc() || after_pid == at || pid <= 0 ||
        static_cast<std::size_t>(end - after_pid) < kRunIdLength + 3 || *after_pid != '-' ||
        after_pid[kRunIdLength + 1] != '-') {
        return false;
    }
    const std::string run(after_pid + 1, kRunIdLength);
    const RecordIndex::Run* known = index_.run(run);
    if (known == nullptr || known->pid != pid || run == run_id_) {
        return false;
    }
    return known->ended || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

}  // namespace trackfold
