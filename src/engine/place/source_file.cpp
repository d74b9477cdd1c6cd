#include "engine/place/source_file.h"

#include <fcntl.h>
#include <sys/uio.h>

#include <cerrno>

namespace trackfold {

std::optional<OpenedSource> open_source(const std::string& path, CacheProbe probe) {
    OpenedSource opened{FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)),
                        {}};
    if (opened.fd.get() < 0) {
        return std::nullopt;
    }
    opened.stamp = stamp_of_open_file(opened.fd.get());
    if (!opened.stamp.stamp.stamp || !S_ISREG(opened.stamp.info.st_mode)) {
        return std::nullopt;
    }
    if (probe == CacheProbe::first_page) {
        char byte = 0;
        iovec one{&byte, 1};
        // Disks that cannot answer (FUSE) count as slow ones.
        opened.in_memory = ::preadv2(opened.fd.get(), &one, 1, 0, RWF_NOWAIT) >= 0;
    }
    return opened;
}

SourceFile::SourceFile(const std::string& path, OpenedSource* opened) : path_(&path) {
    if (opened != nullptr) {
        fd_.emplace(std::move(opened->fd));
        source_ = {fd_->get(), opened->stamp.info};
        stamp_ = opened->stamp.stamp.stamp;
    }
}

const FileStamp* SourceFile::stamp() {
    if (!stamp_ && !error_) {
        StampResult got = stamp_of_path(*path_);
        stamp_ = got.stamp;
        error_ = got.error;
    }
    return stamp_ ? &*stamp_ : nullptr;
}

const OpenSource* SourceFile::opened() {
    if (!fd_) {
        error_.clear();
        fd_.emplace(::open(path_->c_str(), O_RDONLY | O_CLOEXEC));
        source_.fd = fd_->get();
        if (source_.fd < 0) {
            error_.assign(errno, std::generic_category());
            return nullptr;
        }
        OpenFileStamp got = stamp_of_open_file(source_.fd);
        source_.info = got.info;
        stamp_ = got.stamp.stamp;
        error_ = got.stamp.error;
    }
    return error_ ? nullptr : &source_;
}

void SourceFile::reopen() {
    fd_.reset();
    stamp_.reset();
}

}  // namespace trackfold
