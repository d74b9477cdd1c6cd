#pragma once

#include <optional>
#include <string>
#include <system_error>

#include "engine/fsio/file_copy.h"
#include "engine/fsio/file_descriptor.h"
#include "engine/fsio/file_stamp.h"

namespace trackfold {

// A source opened once, before its tags are read: the same descriptor, and what it was when
// opened, then serve its copy.
struct OpenedSource {
    FileDescriptor fd;
    OpenFileStamp stamp;
    bool in_memory = false;  // asked with CacheProbe::first_page: its start was in the page cache
};

// Whether the open asks the kernel, without waiting for the disk, if the file's start is in
// memory: one call more, which tells whether reading it will wait for the disk.
enum class CacheProbe { none, first_page };

// Opens a regular file for reading, without hanging on a FIFO; nothing when it cannot, and then
// whoever reads it opens it by its path, and learns why.
std::optional<OpenedSource> open_source(const std::string& path,
                                        CacheProbe probe = CacheProbe::none);

// The source as far as one placement needs it: its stamp to compare with a target found in the
// folder and with the record, a descriptor to copy from for a new one. Each is asked of the
// system once, when first needed, so a first run does not stat what it opens and a re-run does
// not open what it skips.
class SourceFile {
  public:
    // opened: the source already open, or nullptr.
    SourceFile(const std::string& path, OpenedSource* opened);

    const FileStamp* stamp();
    // Open, with the stamp taken from the open file, before anything of it is read.
    const OpenSource* opened();
    // The source changed while it was read: what is known of it is known no more.
    void reopen();
    // The copy is made: the descriptor goes, what was learnt of the source stays.
    void close() { fd_.reset(); }

    std::error_code error() const { return error_; }
    const FileStamp* known_stamp() const { return stamp_ ? &*stamp_ : nullptr; }

  private:
    const std::string* path_;
    std::optional<FileDescriptor> fd_;
    OpenSource source_{-1, {}};
    std::optional<FileStamp> stamp_;
    std::error_code error_;
};

// A copy that found its source changed while it read it is made once more from the source as
// it is then; a source that changes again is given up.
template <typename Copy>
CopyOutcome copy_one_version(SourceFile& from, Copy copy) {
    CopyOutcome outcome;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const OpenSource* opened = from.opened();
        if (opened == nullptr) {
            return {from.error(), {}};
        }
        outcome = copy(*opened);
        if (outcome.error != source_changed_error()) {
            return outcome;
        }
        from.reopen();
    }
    return outcome;
}

}  // namespace trackfold
