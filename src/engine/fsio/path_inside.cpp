#include "engine/fsio/path_inside.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "util/text.h"

namespace trackfold {

namespace {

// A link or a file where a folder should be: the path leads somewhere it must not.
std::error_code way_error(int error) {
    return {error == ELOOP || error == ENOTDIR ? ENOTDIR : error, std::generic_category()};
}

}  // namespace

std::string nearest_existing(std::string_view path) {
    std::string nearest(path);
    for (struct stat info{}; !nearest.empty() && nearest != "/"; nearest = parent_folder(nearest)) {
        // "file/" names no file: the file itself is what is there.
        if (nearest.ends_with('/')) {
            nearest.pop_back();
        }
        if (::stat(nearest.c_str(), &info) == 0) {
            break;
        }
    }
    return nearest.empty() ? "." : nearest;
}

Beneath open_beneath(int root_fd, std::string_view relative, MissingFolders missing) {
    Beneath result;
    if (!is_plain_relative(relative)) {
        result.error = std::make_error_code(std::errc::invalid_argument);
        return result;
    }
    const std::vector<std::string_view> parts = split_at(relative, '/');
    FileDescriptor at(::fcntl(root_fd, F_DUPFD_CLOEXEC, 0));
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::string part(parts[i]);
        constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int next = ::openat(at.get(), part.c_str(), kFlags);
        if (next < 0 && errno == ENOENT && missing == MissingFolders::make &&
            (::mkdirat(at.get(), part.c_str(), 0777) == 0 || errno == EEXIST)) {
            next = ::openat(at.get(), part.c_str(), kFlags);
        }
        if (next < 0) {
            result.error = way_error(errno);
            return result;
        }
        at = FileDescriptor(next);
    }
    result.folder = std::move(at);
    result.name = std::string(parts.back());
    return result;
}

OpenedFolder open_folder_nofollow(const std::string& absolute) {
    FileDescriptor root(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (absolute == "/") {
        return {std::move(root)};
    }
    if (absolute.empty() || absolute.front() != '/') {
        return {FileDescriptor(-1), std::make_error_code(std::errc::invalid_argument)};
    }
    const Beneath found =
        open_beneath(root.get(), std::string_view(absolute).substr(1), MissingFolders::refuse);
    if (found.error) {
        return {FileDescriptor(-1), found.error};
    }
    const int fd = ::openat(found.folder.get(), found.name.c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return {FileDescriptor(fd), fd < 0 ? way_error(errno) : std::error_code()};
}

}  // namespace trackfold
