#include "engine/place/source_file.h"

#include <fcntl.h>

#include <cerrno>

namespace trackfold {

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
