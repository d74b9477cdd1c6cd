#include "engine/fsio/file_copy.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/system_error.h"

namespace trackfold {

namespace {

class CopyErrorCategory : public std::error_category {
  public:
    const char* name() const noexcept override { return "trackfold copy"; }
    std::string message(int) const override { return "source changed while copying"; }
};

// From the offset `copied` on, in case the kernel copy stopped part of the way.
void copy_with_read_write(int in, off_t copied, int out, std::error_code& ec) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::pread(in, buffer, sizeof buffer, copied);
        if (got == 0) {
            return;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ec = last_error();
            return;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) {
                    continue;
                }
                ec = last_error();
                return;
            }
            done += put;
        }
        copied += got;
    }
}

// The kernel copies without passing the bytes through us, and shares blocks (reflinks) on
// file systems that can. Where it cannot be used at all it copies nothing; returns how far it
// got, for the plain loop to go on from.
off_t copy_in_kernel(int in, int out, off_t size, std::error_code& ec) {
    off_t copied = 0;
    while (copied < size) {
        loff_t from = copied;
        const ssize_t n =
            ::copy_file_range(in, &from, out, nullptr, static_cast<size_t>(size - copied), 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (copied == 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL ||
                                errno == EOPNOTSUPP || errno == EPERM)) {
                return 0;
            }
            ec = last_error();
            return copied;
        }
        if (n == 0) {
            break;
        }
        copied += n;
    }
    return copied;
}

bool equal_times(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A writer that truncates or rewrites the source while it is read leaves its mark here, also
// one that puts the old modification time back.
bool source_unchanged(const OpenSource& source) {
    struct stat now {};
    return ::fstat(source.fd, &now) == 0 && now.st_size == source.info.st_size &&
           equal_times(now.st_mtim, source.info.st_mtim) &&
           equal_times(now.st_ctim, source.info.st_ctim);
}

std::error_code sync_folder(int folder_fd) {
    return ::fsync(folder_fd) == 0 || errno == EINVAL ? std::error_code() : last_error();
}

std::error_code write_contents(const OpenSource& source, int out) {
    std::error_code ec;
    const off_t copied = copy_in_kernel(source.fd, out, source.info.st_size, ec);
    // A source that grew meanwhile is caught below, by its size.
    if (!ec && copied < source.info.st_size) {
        copy_with_read_write(source.fd, copied, out, ec);
    }
    if (!ec && !source_unchanged(source)) {
        ec = source_changed_error();
    }
    return ec;
}

// A disk that keeps the bytes but refuses the times still holds a whole copy: that failure is
// told apart from one that loses the copy.
std::error_code keep_times(const OpenSource& source, int fd, const char* name) {
    const timespec times[2] = {source.info.st_atim, source.info.st_mtim};
    const int result = name != nullptr ? ::utimensat(fd, name, times, 0) : ::futimens(fd, times);
    return result == 0 ? std::error_code() : last_error();
}

// Writes the copy under `temp` and gives it its final name `to` with `place`; on any failure
// the temporary is removed again.
template <typename Place>
CopyOutcome copy_through_temp(const OpenSource& source, int folder_fd, const std::string& temp,
                              const std::string& to, Durability durability, Place place) {
    const bool durable = durability == Durability::at_once;
    FileDescriptor out(::openat(folder_fd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                source.info.st_mode & 0666));
    if (out.get() < 0) {
        return {last_error(), {}};
    }
    CopyOutcome outcome{write_contents(source, out.get()), {}};
    if (durable && !outcome.error && ::fsync(out.get()) != 0) {
        outcome.error = last_error();
    }
    if (out.close() != 0 && !outcome.error) {
        outcome.error = last_error();
    }
    if (!outcome.error) {
        outcome.error = place();
    }
    if (outcome.error) {
        ::unlinkat(folder_fd, temp.c_str(), 0);
        return outcome;
    }
    // Only now: FUSE disks stamp a file with the time they flush its last write, after close,
    // or with the time it was renamed.
    outcome.time_error = keep_times(source, folder_fd, to.c_str());
    if (durable) {
        outcome.error = sync_folder(folder_fd);
    }
    return outcome;
}

}  // namespace

std::error_code rename_no_replace(int from_dir, const std::string& from, int to_dir,
                                  const std::string& to) {
    if (::renameat2(from_dir, from.c_str(), to_dir, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return last_error();
    }
    // The disk does not know the flag (FUSE, older kernels): look, then rename, holding the
    // target folder's lock so that another run doing the same cannot come in between.
    const bool locked = ::flock(to_dir, LOCK_EX) == 0;
    struct stat info {};
    std::error_code result = std::make_error_code(std::errc::file_exists);
    if (::fstatat(to_dir, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        result = ::renameat(from_dir, from.c_str(), to_dir, to.c_str()) == 0 ? std::error_code()
                                                                             : last_error();
    }
    if (locked) {
        ::flock(to_dir, LOCK_UN);
    }
    return result;
}

std::error_code source_changed_error() {
    static const CopyErrorCategory category;
    return {1, category};
}

CopyOutcome copy_to_new(const OpenSource& source, int folder_fd, const std::string& name,
                        const std::string& temp, NewCopy how, Durability durability) {
    if (how == NewCopy::via_temporary) {
        return copy_through_temp(source, folder_fd, temp, name, durability, [&] {
            return rename_no_replace(folder_fd, temp, folder_fd, name);
        });
    }
    const bool durable = durability == Durability::at_once;
    // No name exists until the copy is whole: a run killed halfway leaves nothing behind.
    FileDescriptor out(
        ::openat(folder_fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, source.info.st_mode & 0666));
    if (out.get() < 0) {
        return {last_error(), {}};
    }
    CopyOutcome outcome{write_contents(source, out.get()), {}};
    if (durable && !outcome.error && ::fsync(out.get()) != 0) {
        outcome.error = last_error();
    }
    if (outcome.error) {
        return outcome;
    }
    outcome.time_error = keep_times(source, out.get(), nullptr);
    const std::string by_fd = "/proc/self/fd/" + std::to_string(out.get());
    if (::linkat(AT_FDCWD, by_fd.c_str(), folder_fd, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        outcome.error = last_error();
        return outcome;
    }
    if (out.close() != 0) {
        outcome.error = last_error();
        ::unlinkat(folder_fd, name.c_str(), 0);
    } else if (durable) {
        outcome.error = sync_folder(folder_fd);
    }
    return outcome;
}

CopyOutcome copy_over(const OpenSource& source, int folder_fd, const std::string& name,
                      const std::string& temp, Durability durability) {
    return copy_through_temp(source, folder_fd, temp, name, durability, [&] {
        return ::renameat(folder_fd, temp.c_str(), folder_fd, name.c_str()) == 0 ? std::error_code()
                                                                                 : last_error();
    });
}

// syncfs writes back everything of the folder's disk; some FUSE disks write their own buffers
// only when a file or folder on them is synced, hence the fsync as well.
std::error_code flush_disk(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return {errno, std::generic_category()};
    }
    std::error_code ec;
    if (::syncfs(fd) != 0 || (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)) {
        ec.assign(errno, std::generic_category());
    }
    ::close(fd);
    return ec;
}

}  // namespace trackfold
